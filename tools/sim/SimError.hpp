#pragma once

#include <stdexcept>
#include <string>

namespace sim {

// A problem with the command line or the input; the tool prints it and exits with status 2.
class SimError : public std::runtime_error {
public:
    explicit SimError(const std::string& what) : std::runtime_error(what) {}
};

} // namespace sim
