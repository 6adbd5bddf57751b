#include "RequestHead.hpp"

#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>

#include <vector>

namespace server {

namespace {

namespace http = boost::beast::http;

bool isTokenChar(unsigned char c) {
    if (c >= '0' && c <= '9') return true;
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
    switch (c) {
    case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+': case '-': case '.':
    case '^': case '_': case '`': case '|': case '~': return true;
    default: return false;
    }
}

bool isToken(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (!isTokenChar(static_cast<unsigned char>(c))) return false;
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

ParsedHead refuse(int status, std::string reason) { return {std::nullopt, {status, std::move(reason)}}; }

} // namespace

std::size_t HeadLength(std::string_view data, std::size_t from) {
    for (std::size_t i = from; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\0') return i + 1;
        if (c == '\r' && i + 1 < data.size() && data[i + 1] != '\n') return i + 2;
        if (c == '\n') {
            if (i == 0 || data[i - 1] != '\r') return i + 1;
            if (i >= 3 && data[i - 3] == '\r' && data[i - 2] == '\n') return i + 1;
        }
    }
    return 0;
}

ParsedHead ParseRequestHead(std::string_view head) {
    // Bytes first: only CR LF line ends, no control character but tab.
    for (std::size_t i = 0; i < head.size(); ++i) {
        const auto c = static_cast<unsigned char>(head[i]);
        if (c == '\r') {
            if (i + 1 >= head.size() || head[i + 1] != '\n') return refuse(400, "a CR without LF");
        } else if (c == '\n') {
            if (i == 0 || head[i - 1] != '\r') return refuse(400, "an LF without CR");
        } else if ((c < 0x20 && c != '\t') || c == 0x7F) {
            return refuse(400, "a control character in the head");
        }
    }
    if (head.size() < 4 || head.substr(head.size() - 4) != "\r\n\r\n") return refuse(400, "an unfinished head");

    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at + 2 < head.size();) {
        const std::size_t end = head.find("\r\n", at);
        lines.push_back(head.substr(at, end - at));
        at = end + 2;
    }
    if (lines.empty()) return refuse(400, "no request line");

    // The request line: METHOD SP TARGET SP HTTP/1.x, single spaces.
    const std::string_view line = lines[0];
    const std::size_t space1 = line.find(' ');
    const std::size_t space2 = space1 == std::string_view::npos ? space1 : line.find(' ', space1 + 1);
    if (space2 == std::string_view::npos || line.find(' ', space2 + 1) != std::string_view::npos)
        return refuse(400, "a malformed request line");
    const std::string_view method = line.substr(0, space1);
    const std::string_view target = line.substr(space1 + 1, space2 - space1 - 1);
    const std::string_view version = line.substr(space2 + 1);
    if (!isToken(method)) return refuse(400, "a malformed method");
    if (target.empty() || target[0] != '/') return refuse(400, "a target that is not a path");
    for (const char c : target)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            return refuse(400, "a malformed target");
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return refuse(400, "an HTTP version other than 1.0 and 1.1");
    const bool http11 = version == "HTTP/1.1";

    int contentLengths = 0, hosts = 0;
    bool transferEncoding = false;
    std::uint64_t contentLength = 0;
    std::string forwardedFor;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view field = lines[i];
        if (field.empty()) return refuse(400, "an empty line inside the head");
        if (field[0] == ' ' || field[0] == '\t') return refuse(400, "a folded header line");
        const std::size_t colon = field.find(':');
        if (colon == std::string_view::npos) return refuse(400, "a header line without a colon");
        const std::string_view name = field.substr(0, colon);
        if (!isToken(name)) return refuse(400, "a malformed header name");
        const std::string_view value = trimmed(field.substr(colon + 1));
        if (equalsIgnoringCase(name, "Content-Length")) {
            if (++contentLengths > 1) return refuse(400, "more than one Content-Length");
            if (value.empty() || value.size() > 18) return refuse(400, "a malformed Content-Length");
            for (const char c : value) {
                if (c < '0' || c > '9') return refuse(400, "a malformed Content-Length");
                contentLength = contentLength * 10 + std::uint64_t(c - '0');
            }
        } else if (equalsIgnoringCase(name, "Transfer-Encoding")) {
            transferEncoding = true;
        } else if (equalsIgnoringCase(name, "Host")) {
            ++hosts;
        } else if (equalsIgnoringCase(name, "X-Forwarded-For")) {
            forwardedFor = std::string(value);
        }
    }
    if (contentLengths > 0 && transferEncoding) return refuse(400, "both Content-Length and Transfer-Encoding");
    if (hosts > 1 || (http11 && hosts == 0)) return refuse(400, "HTTP/1.1 needs exactly one Host");
    const bool readable = method == "GET" || method == "HEAD";
    if (readable && (contentLength > 0 || transferEncoding)) return refuse(400, "a GET or HEAD with a body");
    if (!readable) return refuse(405, "only GET and HEAD are served");

    // The checks above are stricter than Beast's; its parser then reads what passed them.
    http::request_parser<http::empty_body> parser;
    parser.header_limit(std::uint32_t(head.size()));
    boost::beast::error_code error;
    parser.put(boost::asio::buffer(head.data(), head.size()), error);
    if (error || !parser.is_header_done()) return refuse(400, "a head the HTTP parser refuses");
    const auto& message = parser.get();

    RequestHead result;
    result.method = std::string(method);
    result.target = std::string(message.target());
    result.minorVersion = message.version() % 10;
    result.keepAlive = message.keep_alive();
    result.forwardedFor = std::move(forwardedFor);
    return {std::move(result), {}};
}

} // namespace server
