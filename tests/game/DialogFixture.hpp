#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "engine/MainThread.hpp"
#include "rules/GameSettings.hpp"
#include "game/HighScores.hpp"
#include "game/OGameWindow.hpp"
#include "game/OWndResult.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "scene/ResolvePath.hpp"
#include "store/TScoresTable.hpp"
#include "tools/driver/HeadlessDriver.hpp"

// A game window over the headless platform, its data folder a private copy of the real one
// (the clips and sounds linked in), so that each test has its own "table.dat". Frames are
// driven by the test; a dialog that closed is torn down as its frame thread would.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        rules::Settings() = {};
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
        driver.DestroyDialogs();
        driver.DestroyWindows({window});
        engine::MainThread::Reset();
        scene::SetExecutableFolderOverride(std::nullopt);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    void OpenGame(game::GameWindowSetup setup = {}) {
        if (!setup.statePath) setup.statePath = (folder / "state.dat").string();
        if (!setup.seed) setup.seed = 7;
        window = new game::OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false},
                                       std::move(setup));
        driver.FollowDialogs(window);
        ASSERT_EQ(window->CreateFailed(), 0);
        ASSERT_TRUE(window->Start());
        Pump();
    }

    // Serves every queued event, then tears down every dialog that closed meanwhile.
    void Pump() { driver.Pump(); }

    template <class D>
    D* Dialog(engine::OWindow* owner = nullptr) {
        return dynamic_cast<D*>(engine::OWindow::DialogOf(owner ? owner : window));
    }

    void Send(engine::OWindow* w, platform::EventKind kind, int code, int x, int y) {
        driver.Send(w, kind, code, x, y);
    }
    // Moves the mouse onto the object's middle and clicks it with the left button.
    void ClickOn(engine::OWindow* w, const scene::OGraph* object) { driver.ClickOn(w, object); }
    void Press(engine::OWindow* w, int key) { driver.Press(w, key); }
    void Type(engine::OWindow* w, const std::string& text) { driver.Type(w, text); }

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

    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    game::OGameWindow* window = nullptr;
    std::filesystem::path folder;
};
