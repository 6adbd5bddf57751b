#pragma once

#include <string>

namespace engine {

// Hands a web address or a document to the desktop to open; returns at once
// and reports whether the desktop took it. Callers need not check.
bool ShellOpen(const std::string& target);

} // namespace engine
