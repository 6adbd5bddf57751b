#include "PublishRequest.hpp"

#include "store/ScoreReport.hpp"

namespace server {

namespace {

// The code point starting at text[i] when it is well-formed UTF-8 (no overlong forms, no
// surrogates, at most U+10FFFF); `length` receives its byte count.
std::optional<char32_t> utf8At(std::string_view text, std::size_t i, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    std::size_t count;
    char32_t value;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        count = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        count = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        count = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + count > text.size()) return std::nullopt;
    for (std::size_t k = 1; k < count; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    length = count;
    return value;
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

} // namespace

std::optional<int> ParseLevel(std::string_view text) {
    if (text.size() != 1 || text[0] < '0' + kFirstLevel || text[0] > '0' + kLastLevel) return std::nullopt;
    return text[0] - '0';
}

std::optional<std::string> NormaliseName(std::string_view raw) {
    bool utf8 = true;
    for (std::size_t i = 0, length = 0; i < raw.size(); i += length) {
        const std::optional<char32_t> c = utf8At(raw, i, length);
        if (!c) {
            utf8 = false;
            break;
        }
        if (isControl(*c)) return std::nullopt;
    }
    if (utf8) return std::string(raw);
    std::string out;
    out.reserve(raw.size() * 2);
    for (const char byte : raw) {
        const char32_t c = static_cast<unsigned char>(byte);
        if (isControl(c)) return std::nullopt;
        appendUtf8(out, c);
    }
    return out;
}

Expected<NewRecord> ParsePublishCode(std::string_view code, std::int64_t receivedAt) {
    if (code.empty()) return Error{"The address carries no score: \"e=\" must be followed by the score code."};
    const store::ScoreReportDecode decoded = store::DecodeScoreReport(code);
    if (decoded.status != store::ScoreReportStatus::Ok)
        return Error{"The score code is not valid: " + decoded.error + "."};
    const std::optional<int> level = ParseLevel(decoded.level);
    if (!level) return Error{"The level of the report must be 1, 2 or 3."};
    if (decoded.score < 0) return Error{"The score " + std::to_string(decoded.score) + " is negative."};
    if (decoded.name.size() > kMaxNameBytes)
        return Error{"The name is " + std::to_string(decoded.name.size()) + " bytes long, more than the " +
                     std::to_string(kMaxNameBytes) + " allowed."};
    std::optional<std::string> name = NormaliseName(decoded.name);
    if (!name) return Error{"The name holds a control character."};

    NewRecord record;
    record.level = *level;
    record.score = decoded.score;
    record.report = std::to_string(decoded.score) + '\t' + std::to_string(*level) + '\t' + *name;
    record.name = std::move(*name);
    record.receivedAt = receivedAt;
    return record;
}

} // namespace server
