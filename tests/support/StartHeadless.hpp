#pragma once

#include <memory>

#include "engine/MainThread.hpp"
#include "platform/headless/HeadlessPlatform.hpp"

// Makes a new headless platform with a screen of `screen` the current one, with the calling
// thread as the main thread, and returns it (owned by the platform slot).
inline platform::HeadlessPlatform* StartHeadless(platform::Size screen = {1024, 768}) {
    auto owned = std::make_unique<platform::HeadlessPlatform>(screen);
    platform::HeadlessPlatform* headless = owned.get();
    platform::SetCurrentPlatform(std::move(owned));
    engine::MainThread::Reset();
    engine::MainThread::Claim();
    return headless;
}
