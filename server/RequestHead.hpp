#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// A request head that passed every framing check, as Beast parsed it.
struct RequestHead {
    std::string method;        // as sent: GET and HEAD are served, anything else gets 405
    std::string target;        // origin form, "/path?query"
    int minorVersion = 1;      // HTTP/1.0 or HTTP/1.1
    bool keepAlive = true;     // the connection may carry another request afterwards
    std::string forwardedFor;  // the X-Forwarded-For value, empty when there is none
};

// Why a head is refused: the status to answer (400, 405 or 431) and one line for the page.
struct HeadRefusal {
    int status = 400;
    std::string reason;
};

// The length of the request head at the start of `data` (through its empty line) once it
// has come in whole; 0 while more bytes are needed. A byte no valid head can hold (NUL, a
// CR not followed by LF, an LF not after a CR) ends the head early, so the check below refuses
// it at once instead of waiting. `from` is where the previous call stopped looking.
std::size_t HeadLength(std::string_view data, std::size_t from = 0);

// Checks a complete head (as HeadLength delimits it) strictly and parses it. Refused with 400:
// control characters other than tab, NUL, bare CR or LF, obs-fold, whitespace before a colon,
// a malformed request line, an HTTP version other than 1.0 and 1.1, more than one
// Content-Length or a malformed one, Content-Length with Transfer-Encoding, HTTP/1.1 without
// exactly one Host, and a GET or HEAD that announces a body. Refused with 405: every method
// but GET and HEAD (whose bodies are never read: the connection closes after the answer).
struct ParsedHead {
    std::optional<RequestHead> head;
    HeadRefusal refusal;  // meaningful when `head` is empty
};
ParsedHead ParseRequestHead(std::string_view head);

} // namespace server
