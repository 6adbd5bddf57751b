#pragma once

#include <string>

#include "engine/OWindow.hpp"

namespace scene {
class OClip;
}

namespace tools {

// A window that plays one clip file at its own rate, obeying its frame
// commands. The whole window drags it; Escape or Q closes it.
class ClipShowWindow : public engine::OWindow {
public:
    static constexpr int kMargin = 16;

    // `path` must be a full path; `left` and `top` are the clip's smallest frame position.
    ClipShowWindow(const engine::CreationParams& params, std::string path, int left, int top);

    bool Start() override;
    void KeyDown(int code, int x, int y) override;

    scene::OClip* Clip() const { return m_clip; }

private:
    std::string m_path;
    int m_left;
    int m_top;
    scene::OClip* m_clip = nullptr;
};

// Opens the clip file in a real window and runs until the window closes.
// Returns the exit code: 0 closed, 1 unreadable file (one line on `err`),
// 2 no window could be made.
int ShowClip(const std::string& file, std::ostream& err);

} // namespace tools
