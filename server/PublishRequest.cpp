#include "PublishRequest.hpp"

#include <cstdio>

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

// Code page 1252's bytes 0x80-0x9F; 0 marks the five it leaves undefined.
constexpr char16_t kHighHalf[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

// Invisible characters that change how the text around them looks or reads (format
// characters): soft hyphen, zero-width ones, bidirectional controls, the byte-order mark.
bool isFormat(char32_t c) {
    return c == 0xAD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

bool isBlank(char32_t c) { return c == 0x20 || c == 0xA0; }

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

} // namespace

std::optional<int> ParseLevel(std::string_view text) {
    if (text.size() != 1 || text[0] < '0' + kFirstLevel || text[0] > '0' + kLastLevel) return std::nullopt;
    return text[0] - '0';
}

std::optional<char32_t> CodePage1252Character(unsigned char byte) {
    if (byte < 0x80 || byte >= 0xA0) return byte;
    const char16_t c = kHighHalf[byte - 0x80];
    if (c == 0) return std::nullopt;
    return c;
}

Expected<std::string> DecodeName(std::string_view raw) {
    std::u32string text;
    for (const char byte : raw) {
        const std::optional<char32_t> c = CodePage1252Character(static_cast<unsigned char>(byte));
        if (!c) return Error{"The name holds a byte that code page 1252 does not define."};
        text.push_back(*c);
    }
    std::size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    if (first == last) return Error{"The name is empty."};
    std::string out;
    out.reserve(raw.size() * 3);
    for (std::size_t i = first; i < last; ++i) {
        if (isControl(text[i])) return Error{"The name holds a control character."};
        if (isFormat(text[i])) return Error{"The name holds an invisible formatting character."};
        appendUtf8(out, text[i]);
    }
    return out;
}

bool IsShowableName(std::string_view utf8) {
    if (utf8.empty()) return false;
    for (std::size_t i = 0, length = 0; i < utf8.size(); i += length) {
        const std::optional<char32_t> c = utf8At(utf8, i, length);
        if (!c || isControl(*c) || isFormat(*c)) return false;
        if ((i == 0 || i + length == utf8.size()) && isBlank(*c)) return false;
    }
    return true;
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
    Expected<std::string> name = DecodeName(decoded.name);
    if (!name) return Error{name.error()};

    NewRecord record;
    record.level = *level;
    record.score = decoded.score;
    record.report = ReportText(*level, decoded.score, *name);
    record.name = std::move(*name);
    record.receivedAt = receivedAt;
    return record;
}

std::optional<std::string> StoredNameFault(std::string_view utf8) {
    if (utf8.empty()) return "the name is empty";
    std::size_t characters = 0;
    for (std::size_t i = 0, length = 0; i < utf8.size(); i += length, ++characters) {
        const std::optional<char32_t> c = utf8At(utf8, i, length);
        if (!c) return "the name is not well-formed UTF-8";
        if (isControl(*c)) return "the name holds a control character";
        if (isFormat(*c)) return "the name holds an invisible formatting character";
        if ((i == 0 || i + length == utf8.size()) && isBlank(*c)) return "the name starts or ends with a space";
        bool inCodePage = *c < 0x80 || (*c >= 0xA0 && *c <= 0xFF);
        for (int byte = 0x80; byte < 0xA0 && !inCodePage; ++byte)
            inCodePage = CodePage1252Character(static_cast<unsigned char>(byte)) == *c;
        if (!inCodePage) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", unsigned(*c));
            return std::string("the name holds ") + code + ", which the game cannot write";
        }
    }
    if (characters > kMaxNameBytes)
        return "the name is " + std::to_string(characters) + " characters long, more than the " +
               std::to_string(kMaxNameBytes) + " allowed";
    return std::nullopt;
}

std::string ReportText(int level, std::int32_t score, const std::string& name) {
    return std::to_string(score) + '\t' + std::to_string(level) + '\t' + name;
}

} // namespace server
