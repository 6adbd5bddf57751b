#include "rules/GameReplay.hpp"

#include <zlib.h>

#include "rules/GameRandom.hpp"

namespace rules {

namespace {

constexpr int kMaxFrames = 4096;
constexpr int kMaxBallSide = 256;
constexpr int kMaxCoordinate = 1 << 20;

void PutVarint(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out += char(std::uint8_t(value | 0x80));
        value >>= 7;
    }
    out += char(std::uint8_t(value));
}

std::uint64_t ZigZag(int value) {
    return value < 0 ? (std::uint64_t(-std::int64_t(value)) << 1) - 1 : std::uint64_t(value) << 1;
}

// Reads the binary form front to back; every read fails once the input is exhausted or a
// value is malformed, and the first failure's reason is kept.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}

    bool Varint(std::uint64_t& value, const char* what) {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_at >= m_bytes.size()) return Fail(std::string("it ends inside ") + what);
            const auto byte = std::uint8_t(m_bytes[m_at++]);
            value |= std::uint64_t(byte & 0x7f) << shift;
            if (!(byte & 0x80)) return true;
        }
        return Fail(std::string("an over-long number for ") + what);
    }
    // A varint within [low, high].
    bool Number(std::uint64_t& value, std::uint64_t low, std::uint64_t high, const char* what) {
        if (!Varint(value, what)) return false;
        if (value < low || value > high)
            return Fail(std::string(what) + " " + std::to_string(value) + " is out of range");
        return true;
    }
    bool Coordinate(int& value, const char* what) {
        std::uint64_t raw = 0;
        if (!Varint(raw, what)) return false;
        const std::int64_t decoded = (raw & 1) ? -std::int64_t(raw >> 1) - 1 : std::int64_t(raw >> 1);
        if (decoded < -kMaxCoordinate || decoded > kMaxCoordinate)
            return Fail(std::string(what) + " is out of range");
        value = int(decoded);
        return true;
    }
    bool AtEnd() const { return m_at == m_bytes.size(); }
    bool Fail(std::string reason) {
        if (m_error.empty()) m_error = std::move(reason);
        return false;
    }
    const std::string& Error() const { return m_error; }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
    std::string m_error;
};

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string ToBase64Url(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() * 4 + 2) / 3);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                                std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 | std::uint8_t(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) out += kAlphabet[(v >> k) & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16;
        if (rest == 2) v |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        if (rest == 2) out += kAlphabet[(v >> 6) & 63];
    }
    return out;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-') return 62;
    if (c == '_') return 63;
    return -1;
}

std::optional<std::string> FromBase64Url(std::string_view text, std::string& error) {
    if (text.size() % 4 == 1) {
        error = "the text's length is not that of base64url";
        return std::nullopt;
    }
    std::string out;
    out.reserve(text.size() * 3 / 4);
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const int value = Base64Value(c);
        if (value < 0) {
            error = "the text holds a character that is not base64url";
            return std::nullopt;
        }
        bits = bits << 6 | std::uint32_t(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char(std::uint8_t(bits >> count));
        }
    }
    // The unused low bits of the last character must be zero, so one text means one replay.
    if (bits & ((1u << count) - 1)) {
        error = "the text's last character has stray bits";
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> Inflate(std::string_view packed, std::string& error) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        error = "the decompressor could not start";
        return std::nullopt;
    }
    std::string out;
    char buffer[16384];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = uInt(packed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
        if (out.size() > kMaxReplayBytes) {
            inflateEnd(&stream);
            error = "it inflates to more than " + std::to_string(kMaxReplayBytes) + " bytes";
            return std::nullopt;
        }
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    const bool whole = status == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!whole) {
        error = status == Z_STREAM_END ? "bytes follow the compressed stream" : "the compressed stream is broken or cut";
        return std::nullopt;
    }
    return out;
}

} // namespace

std::string ReplayBytes(const GameReplay& replay) {
    std::string out;
    PutVarint(out, replay.formatVersion);
    PutVarint(out, replay.rulesVersion);
    PutVarint(out, std::uint64_t(static_cast<int>(replay.level)));
    PutVarint(out, replay.startState);
    for (const int frames : replay.frameCounts) PutVarint(out, std::uint64_t(frames));
    PutVarint(out, std::uint64_t(replay.ballWidth));
    PutVarint(out, std::uint64_t(replay.ballHeight));
    PutVarint(out, replay.ticks);
    PutVarint(out, replay.finished ? 1 : 0);
    PutVarint(out, replay.inputs.size());
    std::uint32_t tick = 0;
    for (const ReplayInput& input : replay.inputs) {
        PutVarint(out, std::uint64_t(input.tick - tick) << 1 | static_cast<std::uint8_t>(input.kind));
        tick = input.tick;
        if (input.kind == ReplayInput::Kind::Click) {
            PutVarint(out, ZigZag(input.x));
            PutVarint(out, ZigZag(input.y));
        }
    }
    return out;
}

std::string EncodeReplay(const GameReplay& replay) {
    const std::string bytes = ReplayBytes(replay);
    uLongf size = compressBound(uLong(bytes.size()));
    std::string packed(size, '\0');
    const int status = compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                                 reinterpret_cast<const Bytef*>(bytes.data()), uLong(bytes.size()), Z_BEST_COMPRESSION);
    // The bound makes room for any input; a failure here is a broken zlib.
    if (status != Z_OK) return {};
    packed.resize(size);
    return ToBase64Url(packed);
}

std::optional<GameReplay> ParseReplayBytes(std::string_view bytes, std::string* error) {
    ByteReader in(bytes);
    GameReplay replay;
    std::uint64_t value = 0;
    auto failed = [&]() -> std::optional<GameReplay> {
        if (error) *error = in.Error();
        return std::nullopt;
    };
    if (!in.Number(value, GameReplay::kFormatVersion, GameReplay::kFormatVersion, "the format version")) return failed();
    replay.formatVersion = std::uint32_t(value);
    if (!in.Number(value, 1, 0xffffffffu, "the rules version")) return failed();
    replay.rulesVersion = std::uint32_t(value);
    if (!in.Number(value, 0, kLevels - 1, "the level")) return failed();
    replay.level = Level(int(value));
    if (!in.Number(value, 1, GameRandom::kModulus - 1, "the start state")) return failed();
    replay.startState = std::uint32_t(value);
    for (int& frames : replay.frameCounts) {
        if (!in.Number(value, 0, kMaxFrames, "a frame count")) return failed();
        frames = int(value);
    }
    if (!in.Number(value, 1, kMaxBallSide, "the ball width")) return failed();
    replay.ballWidth = int(value);
    if (!in.Number(value, 1, kMaxBallSide, "the ball height")) return failed();
    replay.ballHeight = int(value);
    if (!in.Number(value, 0, 0xffffffffu, "the tick count")) return failed();
    replay.ticks = std::uint32_t(value);
    if (!in.Number(value, 0, 1, "the finished flag")) return failed();
    replay.finished = value == 1;
    std::uint64_t count = 0;
    if (!in.Number(count, 0, kMaxReplayInputs, "the input count")) return failed();
    // Every input takes at least one byte, so the count cannot ask for more than is there.
    if (count > bytes.size()) {
        in.Fail("it counts more inputs than it holds");
        return failed();
    }
    replay.inputs.reserve(std::size_t(count));
    std::uint64_t tick = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (!in.Varint(value, "an input")) return failed();
        ReplayInput input;
        tick += value >> 1;
        if (tick > replay.ticks) {
            in.Fail("an input comes after the last tick");
            return failed();
        }
        input.tick = std::uint32_t(tick);
        input.kind = (value & 1) ? ReplayInput::Kind::Pace : ReplayInput::Kind::Click;
        if (input.kind == ReplayInput::Kind::Click) {
            if (!in.Coordinate(input.x, "a click's x") || !in.Coordinate(input.y, "a click's y")) return failed();
        } else if (input.tick >= replay.ticks) {
            in.Fail("a pace comes after the last tick");
            return failed();
        }
        replay.inputs.push_back(input);
    }
    if (!in.AtEnd()) {
        in.Fail("bytes follow the last input");
        return failed();
    }
    return replay;
}

std::optional<GameReplay> DecodeReplay(std::string_view text, std::string* error) {
    std::string reason;
    auto failed = [&](std::string why) -> std::optional<GameReplay> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    if (text.size() > kMaxReplayText)
        return failed("the text is longer than " + std::to_string(kMaxReplayText) + " characters");
    if (text.empty()) return failed("the text is empty");
    const std::optional<std::string> packed = FromBase64Url(text, reason);
    if (!packed) return failed(reason);
    const std::optional<std::string> bytes = Inflate(*packed, reason);
    if (!bytes) return failed(reason);
    std::optional<GameReplay> replay = ParseReplayBytes(*bytes, &reason);
    if (!replay) return failed(reason);
    return replay;
}

} // namespace rules
