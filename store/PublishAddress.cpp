#include "PublishAddress.hpp"

namespace store {

std::string PublishQuery(std::string_view base, std::string_view code, std::string_view replay) {
    std::string query = "e=";
    query += code;
    if (replay.empty()) return query;
    const std::size_t fixed = base.size() + kPublishPath.size() + 1 + query.size() + 3;
    if (fixed + replay.size() > kMaxPublishAddress) return query;
    query += "&r=";
    query += replay;
    return query;
}

std::string PublishAddress(std::string_view base, std::string_view code, std::string_view replay) {
    std::string address(base);
    address += kPublishPath;
    address += '?';
    address += PublishQuery(base, code, replay);
    return address;
}

bool IsAddressSafeReplayText(std::string_view text) {
    if (text.empty()) return false;
    for (const char ch : text) {
        const bool safe = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                          ch == '-' || ch == '_';
        if (!safe) return false;
    }
    return true;
}

} // namespace store
