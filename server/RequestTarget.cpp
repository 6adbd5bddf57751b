#include "RequestTarget.hpp"

namespace server {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string decode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(char(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(plusIsSpace && c == '+' ? ' ' : c);
    }
    return out;
}

} // namespace

std::optional<std::string> RequestTarget::Parameter(std::string_view name) const {
    for (const auto& [key, value] : query)
        if (key == name) return value;
    return std::nullopt;
}

RequestTarget ParseRequestTarget(std::string_view target) {
    RequestTarget result;
    const std::size_t mark = target.find('?');
    result.path = decode(target.substr(0, mark), false);
    if (mark == std::string_view::npos) return result;
    std::string_view query = target.substr(mark + 1);
    if (const std::size_t hash = query.find('#'); hash != std::string_view::npos) query = query.substr(0, hash);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            result.query.emplace_back(decode(pair.substr(0, equals), true),
                                      equals == std::string_view::npos ? std::string() : decode(pair.substr(equals + 1), true));
        }
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return result;
}

} // namespace server
