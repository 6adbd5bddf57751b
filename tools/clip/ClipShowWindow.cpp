#include "ClipShowWindow.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "engine/MessageLoop.hpp"
#include "engine/WindowProcedure.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/sdl/SdlPlatform.hpp"
#include "scene/OClip.hpp"
#include "scene/TClipData.hpp"

namespace tools {

ClipShowWindow::ClipShowWindow(const engine::CreationParams& params, std::string path, int left, int top)
    : engine::OWindow(nullptr, params), m_path(std::move(path)), m_left(left), m_top(top) {}

bool ClipShowWindow::Start() {
    m_clip = new scene::OClip();
    if (!m_clip->LoadFile(m_path)) {
        scene::OGraph::Release(m_clip);
        m_clip = nullptr;
        return false;
    }
    m_clip->SetPosition(float(kMargin - m_left), float(kMargin - m_top), 0);
    AddObject(m_clip);
    SetDragRect(0, 0, Width(), Height());
    return OWindow::Start();
}

void ClipShowWindow::KeyDown(int code, int x, int y) {
    if (code == platform::Key_Escape || code == 'Q') {
        PostClose();
        return;
    }
    OWindow::KeyDown(code, x, y);
}

int ShowClip(const std::string& file, std::ostream& err) {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(file, ec).string();
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        err << "hoopstack-clip: cannot open " << file << "\n";
        return 1;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    const std::optional<scene::TClipData> clip = scene::ReadClip(bytes);
    if (!clip) {
        err << "hoopstack-clip: " << file << " is not a valid clip file\n";
        return 1;
    }

    // The window frames every placement of the clip.
    double left = 0, top = 0, right = 1, bottom = 1;
    bool first = true;
    for (const scene::TClipFrame& frame : clip->frames) {
        if (frame.image < 0 || std::size_t(frame.image) >= clip->images.size()) continue;
        const scene::TClipImage& image = clip->images[std::size_t(frame.image)];
        const double w = image.width, h = std::abs(double(image.height));
        left = first ? frame.x : std::min(left, frame.x);
        top = first ? frame.y : std::min(top, frame.y);
        right = first ? frame.x + w : std::max(right, frame.x + w);
        bottom = first ? frame.y + h : std::max(bottom, frame.y + h);
        first = false;
    }

    platform::SetCurrentPlatform(std::make_unique<platform::SdlPlatform>());
    const platform::Size screen = platform::CurrentPlatform().ScreenSize();
    const int width =
        std::clamp(int(right - left) + 2 * ClipShowWindow::kMargin, 160, std::max(160, screen.width));
    const int height =
        std::clamp(int(bottom - top) + 2 * ClipShowWindow::kMargin, 120, std::max(120, screen.height));
    auto* window = new ClipShowWindow({0x0099CCFF, platform::kFramedPopupStyle, width, height, true}, path,
                                      int(left), int(top));
    if (window->CreateFailed()) {
        err << "hoopstack-clip: cannot open a window\n";
        window->Close();
        return 2;
    }
    window->SetTitle("hoopstack-clip: " + std::filesystem::path(file).filename().string());
    window->SetQuitOnDestroy(true);
    if (!window->Start()) {
        err << "hoopstack-clip: " << file << " could not be loaded\n";
        window->Close();
        return 1;
    }
    window->Render();
    engine::WindowProcedure procedure;
    return engine::RunMessageLoop(procedure, nullptr);
}

} // namespace tools
