#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace server {

// A request target split into its path and query parameters, percent-decoded ("+" in the
// query is a space). A malformed escape is kept as it is.
struct RequestTarget {
    std::string path;
    std::vector<std::pair<std::string, std::string>> query;

    // The first value of a parameter, or nothing when it is absent.
    std::optional<std::string> Parameter(std::string_view name) const;
};

RequestTarget ParseRequestTarget(std::string_view target);

} // namespace server
