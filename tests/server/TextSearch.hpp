#pragma once

#include <cstddef>
#include <string>

// Searches in the pages, replies and messages that the server's tests read.

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// How many times `part` stands in `text`, overlapping ones included.
inline int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}
