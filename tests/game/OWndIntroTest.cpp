#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/MainThread.hpp"
#include "engine/Messages.hpp"
#include "engine/WindowProcedure.hpp"
#include "game/OWndIntro.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "scene/ResolvePath.hpp"
#include "tests/ui/SolidSkin.hpp"
#include "tools/driver/HeadlessDriver.hpp"

using game::OWndIntro;
using scene::OClip;

namespace {

struct LogoSize {
    int width, height;
};

// Headless platform, frames driven by the test, the logos written into a temporary data
// folder that stands in for the executable's folder.
class IntroTest : public ::testing::Test {
protected:
    void SetUp() override {
        OWndIntro::ResetBlendCounter();
        folder = std::filesystem::temp_directory_path() /
                 ("hoopstack-intro-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "CLP");
        scene::SetExecutableFolderOverride(folder.string() + "/");
        // The generated art's sizes: two halves of one emblem and the title.
        WriteLogos({300, 150}, {300, 150}, {380, 96});
    }
    void TearDown() override {
        driver.DestroyWindows(windows);
        engine::MainThread::Reset();
        scene::SetExecutableFolderOverride(std::nullopt);
        OWndIntro::ResetBlendCounter();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    void WriteLogos(LogoSize upper, LogoSize lower, LogoSize title) {
        WriteLogo(1, upper, {0x101010});
        WriteLogo(2, lower, {0x202020});
        // The title is an animation, as the generated one is.
        WriteLogo(3, title, {0x303030, 0x404040, 0x505050}, 25);
    }
    void WriteLogo(int number, LogoSize size, std::initializer_list<std::uint32_t> colours, float rate = 0) {
        const std::string name = "Logo" + std::to_string(number) + ".clp";
        ASSERT_TRUE(scene::WriteClipFile(SolidSkin(size.width, size.height, colours, rate),
                                         (folder / "CLP" / name).string()));
    }

    OWndIntro* Make() {
        auto* w = new OWndIntro(
            {0x0099CCFF, platform::kBorderlessPopupStyle, OWndIntro::kWidth, OWndIntro::kHeight, false});
        windows.push_back(w);
        return w;
    }
    OWndIntro* Open() {
        OWndIntro* w = Make();
        EXPECT_EQ(w->CreateFailed(), 0);
        EXPECT_TRUE(w->Start());
        Pump();
        return w;
    }
    // Dispatches every queued event, as the main loop would; returns the wake-ups among
    // them, the posted mouse moves to `w`.
    int Pump(const engine::OWindow* w = nullptr) {
        int wakeUps = 0;
        platform::Event e;
        while (headless->PollEvent(e)) {
            if (w && e.kind == platform::EventKind::Posted && e.code == engine::kPostedMouseMove &&
                e.window == w->PlatformWindow())
                ++wakeUps;
            procedure.Dispatch(e);
        }
        return wakeUps;
    }
    // Runs `count` frames; returns the wake-ups they posted.
    int Ticks(OWndIntro* w, int count = 1) {
        int wakeUps = 0;
        for (int i = 0; i < count; ++i) {
            headless->SetTime(time);
            int sleep = 0;
            EXPECT_TRUE(w->RunFrame(sleep));
            wakeUps += Pump(w);
            time += 40;
            ++ticks;
        }
        return wakeUps;
    }
    // Runs frames until the given tick of the intro, counted from 1.
    int TicksTo(OWndIntro* w, int tick) { return Ticks(w, tick - ticks); }
    // A press alone, queued for the next Pump or Ticks.
    void Press(OWndIntro* w, int code) {
        headless->SetCursor(w->PlatformWindow(), {200, 200});
        driver.Inject(w, platform::EventKind::KeyDown, code, 200, 200);
    }

    // The colour the window shows at a client position, 0xRRGGBB.
    std::uint32_t Shown(const OWndIntro* w, int x, int y) {
        const platform::Surface screen = headless->Screen(w->PlatformWindow());
        const std::uint8_t* p = screen.row(y) + std::ptrdiff_t(x) * 3;
        return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
    // The blend level of a logo, which its frames carry.
    static int Blend(const OClip* clip) { return clip->Frame(0)->BlendLevel(); }
    static std::pair<int, int> At(const OClip* clip) { return {int(clip->X()), int(clip->Y())}; }

    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    engine::WindowProcedure& procedure = driver.Procedure();
    std::vector<engine::OWindow*> windows;
    std::filesystem::path folder;
    std::uint32_t time = 1000;
    int ticks = 0;
};

using Pos = std::pair<int, int>;

TEST_F(IntroTest, StartsWithTheHalvesOutsideTheWindowAndTheTitleHeldBack) {
    OWndIntro* w = Open();
    OClip* upper = w->Logo(1);
    OClip* lower = w->Logo(2);
    OClip* title = w->Logo(3);
    ASSERT_TRUE(upper && lower && title);
    EXPECT_EQ(At(upper), Pos(400, 50));   // right of the window, above the middle line
    EXPECT_EQ(At(lower), Pos(-300, 200)); // left of the window, below it
    EXPECT_EQ(w->Graphs(), (std::vector<scene::OGraph*>{upper, lower}));
    EXPECT_EQ(title->Window(), nullptr);
    EXPECT_EQ(w->Phase(), OWndIntro::kSlideIn);
    EXPECT_EQ(w->FramesPerSecond(), 25);
    EXPECT_TRUE(w->DragRect().IsEmpty());
    EXPECT_FALSE(w->Finished());
    EXPECT_EQ(OWndIntro::BlendCounter(), 255);
}

TEST_F(IntroTest, HalvesSlideInFadingAndMeetInTheMiddle) {
    OWndIntro* w = Open();
    OClip* upper = w->Logo(1);
    OClip* lower = w->Logo(2);
    Ticks(w);
    EXPECT_EQ(At(upper), Pos(390, 50));
    EXPECT_EQ(At(lower), Pos(-290, 200));
    EXPECT_EQ(Blend(upper), 245);
    EXPECT_EQ(Blend(lower), 245);
    TicksTo(w, 25);
    EXPECT_EQ(Blend(upper), 5);
    EXPECT_EQ(OWndIntro::BlendCounter(), 5);
    // Below zero the counter goes on falling and the halves keep the last positive level.
    TicksTo(w, 34);
    EXPECT_EQ(OWndIntro::BlendCounter(), -85);
    EXPECT_EQ(Blend(upper), 5);
    EXPECT_EQ(Blend(lower), 5);
    EXPECT_EQ(At(upper), Pos(60, 50));
    EXPECT_EQ(At(lower), Pos(40, 200));
    EXPECT_EQ(w->Phase(), OWndIntro::kSlideIn);
    // One more step would take both centres past the middle: both are centred, and
    // moving apart starts in the same tick, with its own step of the counter.
    Ticks(w);
    EXPECT_EQ(w->Phase(), OWndIntro::kSeparate);
    EXPECT_EQ(At(upper), Pos(50, 40));
    EXPECT_EQ(At(lower), Pos(50, 210));
    EXPECT_EQ(OWndIntro::BlendCounter(), -105);
}

TEST_F(IntroTest, FadingHalvesAreShownWholeWhereTheyAreAndNowhereElse) {
    constexpr std::uint32_t kBackground = 0xFFCC99;
    OWndIntro* w = Open();
    // At a counter of 55 the halves have moved 200 pixels, repainted at a new blend each tick.
    TicksTo(w, 20);
    const std::uint32_t upper = Shown(w, 399, 100);
    EXPECT_NE(upper, kBackground);
    EXPECT_EQ(Shown(w, 200, 100), upper);
    EXPECT_EQ(Shown(w, 199, 100), kBackground);
    const std::uint32_t lower = Shown(w, 0, 300);
    EXPECT_NE(lower, kBackground);
    EXPECT_EQ(Shown(w, 199, 300), lower);
    EXPECT_EQ(Shown(w, 200, 300), kBackground);
    // Met and moved apart again: only the title shows between them.
    TicksTo(w, 45);
    EXPECT_NE(Shown(w, 200, 20), kBackground);
    EXPECT_EQ(Shown(w, 60, 149), Shown(w, 200, 20));
    EXPECT_EQ(Shown(w, 49, 20), kBackground);
    EXPECT_EQ(Shown(w, 200, 151), kBackground);
    EXPECT_NE(Shown(w, 200, 200), kBackground);
    EXPECT_EQ(Shown(w, 5, 200), kBackground);
    EXPECT_EQ(Shown(w, 200, 249), kBackground);
    EXPECT_NE(Shown(w, 200, 300), kBackground);
}

TEST_F(IntroTest, HalfThatArrivesFirstWaitsCentredForTheOther) {
    WriteLogos({300, 150}, {200, 150}, {380, 96});
    OWndIntro* w = Open();
    OClip* upper = w->Logo(1);
    OClip* lower = w->Logo(2);
    EXPECT_EQ(At(lower), Pos(-200, 200));
    TicksTo(w, 30);
    EXPECT_EQ(At(lower), Pos(100, 200));
    EXPECT_EQ(At(upper), Pos(100, 50));
    TicksTo(w, 34);
    EXPECT_EQ(At(lower), Pos(100, 200));
    EXPECT_EQ(w->Phase(), OWndIntro::kSlideIn);
    Ticks(w);
    EXPECT_EQ(w->Phase(), OWndIntro::kSeparate);
    EXPECT_EQ(At(upper), Pos(50, 40));
}

TEST_F(IntroTest, HalvesMoveApartAndTheTitleAppearsInTheGap) {
    OWndIntro* w = Open();
    OClip* upper = w->Logo(1);
    OClip* lower = w->Logo(2);
    OClip* title = w->Logo(3);
    TicksTo(w, 39);
    EXPECT_EQ(At(upper), Pos(50, 0));
    EXPECT_EQ(At(lower), Pos(50, 250));
    EXPECT_EQ(w->Phase(), OWndIntro::kSeparate);
    EXPECT_EQ(w->Graphs().size(), 2u);
    // Neither may move another step: the title is placed in the gap, the counter starts
    // again and the title's first step of fading in is taken at once.
    Ticks(w);
    EXPECT_EQ(w->Phase(), OWndIntro::kShowTitle);
    EXPECT_EQ(At(upper), Pos(50, 0));
    EXPECT_EQ(At(lower), Pos(50, 250));
    EXPECT_EQ(At(title), Pos(10, 152));
    EXPECT_EQ(title->Window(), w);
    EXPECT_EQ(w->Graphs().size(), 3u);
    EXPECT_GE(int(title->Y()), int(upper->Y() + upper->Height()));
    EXPECT_LE(int(title->Y() + title->Height()), int(lower->Y()));
    EXPECT_EQ(OWndIntro::BlendCounter(), 245);
    EXPECT_EQ(Blend(title), 245);
    EXPECT_EQ(Blend(upper), 5);
    EXPECT_EQ(Blend(lower), 5);
}

TEST_F(IntroTest, TitleFadesInAndTheIntroEndsByItselfWithOneWakeUp) {
    OWndIntro* w = Open();
    OClip* title = w->Logo(3);
    EXPECT_EQ(TicksTo(w, 40), 0);
    TicksTo(w, 64);
    EXPECT_EQ(Blend(title), 5);
    EXPECT_EQ(TicksTo(w, 115), 0);
    EXPECT_EQ(Blend(title), 5);
    EXPECT_EQ(OWndIntro::BlendCounter(), -505);
    EXPECT_FALSE(w->Finished());
    // 76 ticks after the title appeared, about three seconds at 25 frames a second.
    EXPECT_EQ(Ticks(w), 1);
    EXPECT_TRUE(w->Finished());
    EXPECT_EQ(OWndIntro::BlendCounter(), -515);
    EXPECT_EQ(Blend(title), 5);
    EXPECT_EQ(Blend(w->Logo(1)), 5);
}

TEST_F(IntroTest, ShortSlideLeavesTheHalvesAtTheirLastPositiveBlend) {
    WriteLogos({40, 190}, {40, 190}, {380, 10});
    OWndIntro* w = Open();
    OClip* upper = w->Logo(1);
    OClip* lower = w->Logo(2);
    TicksTo(w, 21);
    EXPECT_EQ(w->Phase(), OWndIntro::kSlideIn);
    EXPECT_EQ(At(upper), Pos(190, 10));
    // Slid in at a counter of 35; moving apart in the same tick takes its own step, to 25.
    Ticks(w);
    EXPECT_EQ(w->Phase(), OWndIntro::kSeparate);
    EXPECT_EQ(At(upper), Pos(180, 0));
    EXPECT_EQ(At(lower), Pos(180, 210));
    EXPECT_EQ(Blend(upper), 25);
    Ticks(w);
    EXPECT_EQ(w->Phase(), OWndIntro::kShowTitle);
    EXPECT_EQ(At(w->Logo(3)), Pos(10, 195));
    TicksTo(w, 60);
    EXPECT_EQ(Blend(upper), 15);
    EXPECT_EQ(Blend(lower), 15);
    EXPECT_EQ(Blend(w->Logo(3)), 5);
}

TEST_F(IntroTest, BlendCounterCarriesOverToTheNextIntroOfTheProcess) {
    OWndIntro* first = Open();
    TicksTo(first, 10);
    EXPECT_EQ(Blend(first->Logo(1)), 155);
    engine::OWindow::Destroy(first);
    Pump();

    OWndIntro* second = Open();
    EXPECT_EQ(OWndIntro::BlendCounter(), 155);
    Ticks(second);
    EXPECT_EQ(Blend(second->Logo(1)), 145);
    EXPECT_EQ(Blend(second->Logo(2)), 145);
    // Run to the end: the counter is far below zero when the next intro starts.
    for (int i = 0; i < 200 && !second->Finished(); ++i) Ticks(second);
    ASSERT_TRUE(second->Finished());
    const std::int32_t left = OWndIntro::BlendCounter();
    EXPECT_LT(left, -500);
    engine::OWindow::Destroy(second);
    Pump();

    // The halves of a third intro are never blended and show opaque; the title still fades
    // in, as the counter starts again when it appears.
    OWndIntro* third = Open();
    ticks = 0;
    Ticks(third);
    EXPECT_EQ(OWndIntro::BlendCounter(), left - 10);
    EXPECT_EQ(Blend(third->Logo(1)), 0);
    TicksTo(third, 40);
    EXPECT_EQ(third->Phase(), OWndIntro::kShowTitle);
    EXPECT_EQ(Blend(third->Logo(1)), 0);
    EXPECT_EQ(Blend(third->Logo(3)), 245);
}

TEST_F(IntroTest, AnyKeyOrClickFinishesAtOnceWithOneWakeUp) {
    using namespace platform;
    for (const int code : {int(Key_Space), int(Key_Escape), int(Key_Return), int('A'), int(Key_F1),
                           int(Key_LButton), int(Key_RButton), int(Key_MButton)}) {
        SCOPED_TRACE(code);
        OWndIntro* w = Open();
        Ticks(w, 3);
        ASSERT_FALSE(w->Finished());
        Press(w, code);
        EXPECT_EQ(Pump(w), 1);
        EXPECT_TRUE(w->Finished());
        // Until the main loop closes it, the window posts nothing more.
        EXPECT_EQ(Ticks(w, 2), 0);
        engine::OWindow::Destroy(w);
        Pump();
    }
}

TEST_F(IntroTest, F11AndAltEnterSwitchTheFullScreenAndEndNothingButAltIsAKeyOfItsOwnNever) {
    using namespace platform;
    OWndIntro* w = Open();
    std::vector<bool> switched;
    w->SetFullScreenSwitched([&switched](bool full) { switched.push_back(full); });
    Ticks(w, 3);
    Press(w, Key_F11);
    Pump(w);
    EXPECT_FALSE(w->Finished());
    EXPECT_TRUE(headless->IsFullScreen(w->PlatformWindow()));
    driver.Inject(w, EventKind::KeyUp, Key_F11, 200, 200);
    Press(w, Key_Alt);
    Press(w, Key_Return);
    Pump(w);
    EXPECT_FALSE(w->Finished());
    EXPECT_FALSE(headless->IsFullScreen(w->PlatformWindow()));
    EXPECT_EQ(switched, (std::vector<bool>{true, false}));
    // Enter without Alt ends it, as every other key does.
    driver.Inject(w, EventKind::KeyUp, Key_Return, 200, 200);
    driver.Inject(w, EventKind::KeyUp, Key_Alt, 200, 200);
    Press(w, Key_Return);
    Pump(w);
    EXPECT_TRUE(w->Finished());
    engine::OWindow::Destroy(w);
    Pump();
}

TEST_F(IntroTest, ClickAfterTheTitleAppearedFinishesToo) {
    OWndIntro* w = Open();
    TicksTo(w, 50);
    Press(w, platform::Key_LButton);
    EXPECT_EQ(Pump(w), 1);
    EXPECT_TRUE(w->Finished());
}

TEST_F(IntroTest, MissingLogoFailsStartWithCreateFailedTwo) {
    for (int missing = 1; missing <= 3; ++missing) {
        SCOPED_TRACE(missing);
        WriteLogos({300, 150}, {300, 150}, {380, 96});
        std::filesystem::remove(folder / "CLP" / ("Logo" + std::to_string(missing) + ".clp"));
        OWndIntro* w = Make();
        ASSERT_EQ(w->CreateFailed(), 0);
        EXPECT_FALSE(w->Start());
        EXPECT_EQ(w->Creation(), engine::CreateResult::ContentMissing);
        EXPECT_TRUE(w->Graphs().empty());
        EXPECT_EQ(w->Logo(1), nullptr);
        EXPECT_TRUE(w->Finished());
        engine::OWindow::Destroy(w);
        Pump();
    }
}

TEST_F(IntroTest, ClosingReleasesEveryLogoShownOrNot) {
    OWndIntro* early = Open();
    TicksTo(early, 5);
    std::vector<OClip*> logos{early->Logo(1), early->Logo(2), early->Logo(3)};
    engine::OWindow::Destroy(early);
    Pump();
    for (OClip* logo : logos) EXPECT_FALSE(scene::OGraph::IsLive(logo));

    ticks = 0;
    OWndIntro* late = Open();
    TicksTo(late, 45);
    logos = {late->Logo(1), late->Logo(2), late->Logo(3)};
    engine::OWindow::Destroy(late);
    Pump();
    for (OClip* logo : logos) EXPECT_FALSE(scene::OGraph::IsLive(logo));
}

} // namespace
