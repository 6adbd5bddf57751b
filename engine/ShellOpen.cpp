#include "ShellOpen.hpp"

#include "engine/MainThread.hpp"
#include "platform/Platform.hpp"

namespace engine {

bool ShellOpen(const std::string& target) {
    bool opened = false;
    MainThread::Run([&] { opened = platform::CurrentPlatform().OpenUrl(target); });
    return opened;
}

bool CopyToClipboard(const std::string& text) {
    bool copied = false;
    MainThread::Run([&] { copied = platform::CurrentPlatform().SetClipboardText(text); });
    return copied;
}

} // namespace engine
