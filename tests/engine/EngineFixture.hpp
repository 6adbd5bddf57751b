#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/MainThread.hpp"
#include "engine/Messages.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowProcedure.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "tools/driver/HeadlessDriver.hpp"

// A solid rectangle that records where it was asked to draw.
class Sprite : public scene::OGraph {
public:
    Sprite(float x, float y, float w, float h, float z, std::uint32_t colour) : m_colour(colour) {
        SetPosition(x, y, z);
        SetSize(w, h, 0);
    }
    void Show() { NotifyDisplay(this, scene::Visibility::Shown, nullptr); }
    void Hide() { NotifyDisplay(this, scene::Visibility::Hidden, nullptr); }
    void Draw(scene::Rect* clip) override {
        OGraph::Draw(clip);
        drawn.push_back(*clip);
        if (log) log->push_back(name);
        const scene::BackBufferView view = Window()->BackBuffer();
        for (int y = clip->top; y < clip->bottom; ++y) {
            std::uint8_t* row = view.row(y);
            for (int x = clip->left; x < clip->right; ++x) {
                row[x * 3] = std::uint8_t(m_colour >> 16);
                row[x * 3 + 1] = std::uint8_t(m_colour >> 8);
                row[x * 3 + 2] = std::uint8_t(m_colour);
            }
        }
    }
    std::vector<scene::Rect> drawn;
    std::vector<std::string>* log = nullptr;
    std::string name;

private:
    std::uint32_t m_colour;
};

// A control that records every call the window makes on it.
class Probe : public scene::OGraph, public engine::WindowControl {
public:
    Probe(std::string name, float x, float y, float w, float h, bool focusable, std::vector<std::string>& log)
        : m_name(std::move(name)), m_focusable(focusable), m_log(log) {
        SetPosition(x, y, 0);
        SetSize(w, h, 0);
    }
    scene::OGraph* Graph() override { return this; }
    bool IsFocusable() const override { return m_focusable; }
    bool HitTest(int x, int y) override {
        return x >= 0 && y >= 0 && static_cast<float>(x) < Width() && static_cast<float>(y) < Height();
    }
    void OnCaptureChange(WindowControl* c) override { m_log.push_back(m_name + ".capture:" + (c == this ? "me" : c ? "other" : "none")); }
    void OnMouseMove(int x, int y) override { m_log.push_back(m_name + ".move " + std::to_string(x) + "," + std::to_string(y)); }
    void OnFocusChange(WindowControl* c) override { m_log.push_back(m_name + ".focus:" + (c == this ? "me" : c ? "other" : "none")); }
    void OnKeyDown(int code, int x, int y) override {
        m_log.push_back(m_name + ".down " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnKeyUp(int code, int x, int y) override {
        m_log.push_back(m_name + ".up " + std::to_string(code) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnChar(std::uint8_t ch) override { m_log.push_back(m_name + ".char " + std::string(1, char(ch))); }

private:
    std::string m_name;
    bool m_focusable;
    std::vector<std::string>& m_log;
};

// Headless platform, frames driven by the test, a 1024 x 768 screen.
class EngineTest : public ::testing::Test {
protected:
    void TearDown() override {
        driver.DestroyWindows(windows);
        engine::MainThread::Reset();
    }
    template <class W = engine::OWindow>
    W* Make(engine::OWindow* owner = nullptr) {
        auto* w = new W(owner, params);
        windows.push_back(w);
        return w;
    }
    // Dispatches every queued event, as the main loop would.
    void Pump() { driver.Pump(); }
    // The areas the window's frames painted and queued for the screen, removing every queued event.
    std::vector<scene::Rect> TakePresented(platform::WindowId id) {
        std::vector<scene::Rect> out;
        platform::Event e;
        while (headless->PollEvent(e))
            if (e.kind == platform::EventKind::Posted && e.code == engine::kPostedPresent && e.window == id)
                out.push_back({e.area.left, e.area.top, e.area.right, e.area.bottom});
        return out;
    }
    // One event as the window system reports it, served at once; a Character's byte is `code`.
    void Inject(platform::EventKind kind, engine::OWindow* w, int code = 0, int x = 0, int y = 0) {
        driver.Send(w, kind, code, x, y);
    }

    // How Make makes its windows; a test may change it first.
    engine::CreationParams params{0x0099CCFF, platform::kFramedPopupStyle, 300, 200, false};
    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    engine::WindowProcedure& procedure = driver.Procedure();
    std::vector<engine::OWindow*> windows;
};
