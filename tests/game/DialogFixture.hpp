#pragma once

#include "tests/support/StartHeadless.hpp"
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>
#include <unistd.h>

#include "engine/MainThread.hpp"
#include "engine/WindowProcedure.hpp"
#include "rules/GameSettings.hpp"
#include "game/HighScores.hpp"
#include "game/OGameWindow.hpp"
#include "game/OWndResult.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "scene/ResolvePath.hpp"
#include "store/TScoresTable.hpp"

// A game window over the headless platform, its data folder a private copy of the real one
// (the clips and sounds linked in), so that each test has its own "table.dat". Frames are
// driven by the test; a dialog that closed is torn down as its frame thread would.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless = StartHeadless();
        engine::NextWindowParams() = {0x0099CCFF, 7, 750, 600, false};
        game::Settings() = {};
        game::OWndResult::LastPlayerName().clear();
        game::ForgetReportedSaveFailures();
        const std::string real = scene::ExecutableFolder();
        folder = std::filesystem::temp_directory_path() /
                 ("hoopstack-dialogs-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (const char* data : {"CLP", "SKINS", "WAV"}) {
            std::error_code ec;
            std::filesystem::create_directory_symlink(std::filesystem::path(real) / data, folder / data, ec);
        }
        scene::SetExecutableFolderOverride(folder.string() + "/");
    }
    void TearDown() override {
        Remember();
        for (engine::OWindow* w : dialogs)
            if (engine::OWindow::IsLiveWindow(w)) engine::OWindow::Destroy(w);
        if (engine::OWindow::IsLiveWindow(window)) engine::OWindow::Destroy(window);
        engine::OWindow::WaitForFrameThreads();
        Pump();
        engine::MainThread::Reset();
        scene::SetExecutableFolderOverride(std::nullopt);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    void OpenGame(game::GameWindowSetup setup = {}) {
        if (!setup.statePath) setup.statePath = (folder / "state.dat").string();
        if (!setup.seed) setup.seed = 7;
        window = new game::OGameWindow(nullptr, std::move(setup));
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        Pump();
    }

    // Serves every queued event, then tears down every dialog that closed meanwhile. A
    // closed dialog has already let its owner go, so the dialogs are remembered as they open.
    void Pump() {
        Remember();
        for (;;) {
            platform::Event e;
            while (headless->PollEvent(e)) {
                procedure.Dispatch(e);
                Remember();
            }
            bool tornDown = false;
            for (auto it = dialogs.begin(); it != dialogs.end();) {
                engine::OWindow* w = *it;
                int sleep = 0;
                if (engine::OWindow::IsLiveWindow(w) && w->IsClosing() && !w->RunFrame(sleep)) {
                    engine::OWindow::Destroy(w);
                    tornDown = true;
                }
                if (!engine::OWindow::IsLiveWindow(w))
                    it = dialogs.erase(it);
                else
                    ++it;
            }
            if (!tornDown) return;
        }
    }
    void Remember() {
        for (engine::OWindow* w = engine::OWindow::DialogOf(window); w; w = engine::OWindow::DialogOf(w))
            if (std::find(dialogs.begin(), dialogs.end(), w) == dialogs.end()) dialogs.push_back(w);
    }

    template <class D>
    D* Dialog(engine::OWindow* owner = nullptr) {
        return dynamic_cast<D*>(engine::OWindow::DialogOf(owner ? owner : window));
    }

    void Send(engine::OWindow* w, platform::EventKind kind, int code, int x, int y) {
        platform::Event e;
        e.kind = kind;
        e.window = w->PlatformWindow();
        e.code = code;
        e.x = std::uint16_t(x);
        e.y = std::uint16_t(y);
        headless->Inject(e);
        Pump();
    }
    // Moves the mouse onto the object's middle and clicks it with the left button.
    void ClickOn(engine::OWindow* w, const scene::OGraph* object) {
        const int x = int(object->X() + object->Width() / 2);
        const int y = int(object->Y() + object->Height() / 2);
        headless->SetCursor(w->PlatformWindow(), {x, y});
        // The first move may only take the capture from the control the mouse was over.
        Send(w, platform::EventKind::MouseMove, 0, x, y);
        Send(w, platform::EventKind::MouseMove, 0, x, y);
        Send(w, platform::EventKind::KeyDown, platform::Key_LButton, x, y);
        Send(w, platform::EventKind::KeyUp, platform::Key_LButton, x, y);
    }
    void Press(engine::OWindow* w, int key) {
        Send(w, platform::EventKind::KeyDown, key, 0, 0);
        Send(w, platform::EventKind::KeyUp, key, 0, 0);
    }
    void Type(engine::OWindow* w, const std::string& text) {
        for (const char c : text) {
            platform::Event e;
            e.kind = platform::EventKind::Character;
            e.window = w->PlatformWindow();
            e.character = std::uint8_t(c);
            headless->Inject(e);
        }
        Pump();
    }

    std::string TablePath() const { return (folder / "table.dat").string(); }
    void WriteTable(const std::string& text) {
        store::TScoresTable table;
        table.addTableText(text);
        ASSERT_TRUE(table.saveTable(TablePath()));
    }
    store::TScoresTable ReadTable() const {
        store::TScoresTable table;
        table.loadTable(TablePath());
        return table;
    }

    platform::HeadlessPlatform* headless = nullptr;
    engine::WindowProcedure procedure;
    game::OGameWindow* window = nullptr;
    std::vector<engine::OWindow*> dialogs;
    std::filesystem::path folder;
};
