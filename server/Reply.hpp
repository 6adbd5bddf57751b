#pragma once

#include <string>
#include <utility>
#include <vector>

namespace server {

// One answer, before the transport adds its common headers.
struct Reply {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

} // namespace server
