#pragma once

#include <string>

namespace engine {

// Hands a web address or a document to the desktop to open; returns at once
// and reports whether the desktop took it. Callers need not check.
bool ShellOpen(const std::string& target);

// Puts UTF-8 text on the desktop's clipboard from any thread; false if it could not.
bool CopyToClipboard(const std::string& text);

} // namespace engine
