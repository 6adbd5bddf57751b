#include "EngineFixture.hpp"

#include "scene/OClip.hpp"

namespace {

using engine::OWindow;
using platform::EventKind;
using scene::Rect;

std::array<std::uint8_t, 3> pixel(OWindow* w, int x, int y) {
    const scene::BackBufferView v = w->BackBuffer();
    const std::uint8_t* p = v.row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

using EngineWindow = EngineTest;

TEST_F(EngineWindow, BackBufferIsScreenSizedWithPaddedRows) {
    OWindow* w = Make();
    ASSERT_EQ(w->CreateFailed(), 0);
    const auto v = w->BackBuffer();
    EXPECT_EQ(v.width, 1024);
    EXPECT_EQ(v.height, 768);
    EXPECT_EQ(v.stride, 3072);
    EXPECT_TRUE(v.bottomUp);
    EXPECT_EQ(engine::BackBufferStride(1023), 3072);
    EXPECT_EQ(engine::BackBufferStride(1021), 3064);
    EXPECT_EQ(pixel(w, 0, 0), (std::array<std::uint8_t, 3>{0x99, 0xCC, 0xFF}));  // cleared to the background
    EXPECT_EQ(pixel(w, 1023, 767), (std::array<std::uint8_t, 3>{0x99, 0xCC, 0xFF}));

    params.width = 0;
    params.height = 0;
    OWindow* full = Make();
    EXPECT_EQ(full->Width(), 1024);
    EXPECT_EQ(full->Height(), 768);
}

TEST_F(EngineWindow, FailedPlatformWindowIsReportedAndNotListed) {
    headless->FailNextCreate();
    OWindow* w = new OWindow(nullptr, params);
    EXPECT_EQ(w->Creation(), engine::CreateResult::NoPlatformWindow);
    EXPECT_FALSE(OWindow::IsLiveWindow(w));
    OWindow::Destroy(w);
}

TEST_F(EngineWindow, ADialogsParamsAreItsOwnersWithItsOwnSize) {
    params.background = 0x00123456;
    params.styleKind = platform::kBorderlessPopupStyle;
    OWindow* w = Make();
    const engine::CreationParams dialog = w->DialogParams(120, 90);
    EXPECT_EQ(dialog.background, 0x00123456u);
    EXPECT_EQ(dialog.styleKind, platform::kBorderlessPopupStyle);
    EXPECT_EQ(dialog.width, 120);
    EXPECT_EQ(dialog.height, 90);
    EXPECT_FALSE(dialog.frameThread) << "the frames of a test's windows stay the test's";
    OWindow* made = Make(w);
    EXPECT_EQ(made->StyleKind(), platform::kBorderlessPopupStyle);
    EXPECT_EQ(made->BackgroundColour(), 0x00123456u);
}

TEST_F(EngineWindow, WindowIsCentredOnTheScreenAndDialogsOnTheirOwner) {
    OWindow* w = Make();
    Pump();
    auto area = headless->WindowArea(w->PlatformWindow());
    EXPECT_EQ(area.left, (1024 - 300) / 2);
    EXPECT_EQ(area.top, (768 - 200) / 2);
    params.width = 100;
    params.height = 50;
    OWindow* dialog = Make(w);
    area = headless->WindowArea(dialog->PlatformWindow());
    // Both windows are framed (style kind 4); placement centres the client size in the
    // owner's outer rectangle, so the dialog's outer corner lands one frame right and down
    // from the exact centre.
    const int frame = platform::FrameWidth(params.styleKind);
    EXPECT_EQ(frame, platform::kFrameWidth);
    EXPECT_EQ(area.left, 362 + (300 + 2 * frame - 100) / 2);
    EXPECT_EQ(area.top, 284 + (200 + 2 * frame - 50) / 2);
    EXPECT_EQ(area.right - area.left, 100 + 2 * frame);
}

TEST_F(EngineWindow, ObjectOrdersFollowTheListsAndRenumberOnRemoval) {
    std::vector<std::string> log;
    OWindow* w = Make();
    auto* a = new Sprite(0, 0, 1, 1, 0, 0);
    auto* b = new Sprite(0, 0, 1, 1, 0, 0);
    auto* c = new Sprite(0, 0, 1, 1, 0, 0);
    auto* p = new Probe("p", 0, 0, 1, 1, true, log);
    auto* q = new Probe("q", 0, 0, 1, 1, true, log);
    for (scene::OGraph* g : std::initializer_list<scene::OGraph*>{a, b, c, p, q}) w->AddObject(g);
    EXPECT_EQ(c->Order(), 3);
    EXPECT_EQ(q->Order(), 10002);
    w->RemoveObject(b);
    EXPECT_EQ(c->Order(), 2);
    EXPECT_EQ(b->Window(), nullptr);
    w->RemoveObject(p);
    EXPECT_EQ(q->Order(), 10001);
    scene::OGraph::Release(b);
    scene::OGraph::Release(p);
}

TEST_F(EngineWindow, AddingAFasterClipRaisesTheFrameRate) {
    OWindow* w = Make();
    auto* slow = new scene::OClip();
    slow->SetFramesPerSecond(25);
    w->AddObject(slow);
    EXPECT_EQ(w->FramesPerSecond(), 50);
    auto* fast = new scene::OClip();
    fast->SetFramesPerSecond(60);
    w->AddObject(fast);
    EXPECT_EQ(w->FramesPerSecond(), 60);
}

TEST_F(EngineWindow, RenderPaintsBackToFrontAndPresentsOnlyDirtyAreas) {
    OWindow* w = Make();
    ASSERT_TRUE(w->Start());
    std::vector<std::string> order;
    auto* far = new Sprite(10, 10, 50, 50, 5, 0x000000FF);
    auto* near = new Sprite(30, 30, 50, 50, 1, 0x0000FF00);
    far->log = near->log = &order;
    far->name = "far";
    near->name = "near";
    w->AddObject(near);
    w->AddObject(far);
    near->Show();
    far->Show();
    TakePresented(w->PlatformWindow());
    w->Render();
    EXPECT_EQ(pixel(w, 40, 40), (std::array<std::uint8_t, 3>{0, 0xFF, 0}));    // near on top
    EXPECT_EQ(pixel(w, 15, 15), (std::array<std::uint8_t, 3>{0, 0, 0xFF}));    // far alone
    EXPECT_EQ(pixel(w, 100, 100), (std::array<std::uint8_t, 3>{0x99, 0xCC, 0xFF}));
    EXPECT_EQ(order.front(), "far");
    const auto exposed = TakePresented(w->PlatformWindow());
    EXPECT_EQ(exposed, (std::vector<Rect>{{30, 30, 80, 80}, {10, 10, 60, 30}, {10, 30, 30, 60}}));

    // Nothing changed: nothing drawn, nothing presented.
    order.clear();
    w->Render();
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(TakePresented(w->PlatformWindow()).empty());
}

TEST_F(EngineWindow, EqualDepthPaintsEarlierTopLevelEntriesFirst) {
    std::vector<std::string> log, order;
    OWindow* w = Make();
    auto* first = new Sprite(0, 0, 20, 20, 0, 1);
    auto* second = new Sprite(0, 0, 20, 20, 0, 2);
    first->name = "first";
    second->name = "second";
    first->log = second->log = &order;
    w->AddObject(first);
    w->AddObject(second);
    second->Show();
    first->Show();
    w->Render();
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
}

TEST_F(EngineWindow, HideAndShowInOneFrameRepaintsOnceAndShowHideLeavesNoTrace) {
    OWindow* w = Make();
    auto* s = new Sprite(5, 5, 10, 10, 0, 0x00112233);
    w->AddObject(s);
    s->Show();
    w->Render();
    TakePresented(w->PlatformWindow());
    s->drawn.clear();

    s->Hide();
    s->Show();
    w->Render();
    EXPECT_EQ(s->drawn, (std::vector<Rect>{{5, 5, 15, 15}}));
    EXPECT_EQ(w->DisplayedCount(), 1u);
    EXPECT_EQ(TakePresented(w->PlatformWindow()).size(), 1u);

    auto* ghost = new Sprite(50, 50, 10, 10, 0, 0);
    w->AddObject(ghost);
    ghost->Show();
    ghost->Hide();
    w->Render();
    EXPECT_TRUE(ghost->drawn.empty());
    EXPECT_EQ(w->DisplayedCount(), 1u);
    EXPECT_TRUE(TakePresented(w->PlatformWindow()).empty());
}

TEST_F(EngineWindow, StepObjectsMovesAsAFrameDoesButPaintsNothingUntilTheNextRender) {
    OWindow* w = Make();
    ASSERT_TRUE(w->Start());
    auto* s = new Sprite(5, 5, 10, 10, 0, 0x00112233);
    w->AddObject(s);
    s->Show();
    w->Render();
    TakePresented(w->PlatformWindow());
    s->drawn.clear();
    s->SetVelocity(0, 3, 0);
    // Something to paint is waiting. Three steps of motion, then the frame that paints: the
    // object is where three frames and one more would have left it, and only that last frame
    // painted.
    s->Show();
    for (std::uint32_t t = 1; t <= 3; ++t) w->StepObjects(t * 20);
    EXPECT_EQ(s->Y(), 14);
    EXPECT_TRUE(s->drawn.empty());
    EXPECT_TRUE(TakePresented(w->PlatformWindow()).empty());
    w->Tick(80);
    EXPECT_EQ(s->Y(), 17);
    EXPECT_FALSE(s->drawn.empty());
    EXPECT_FALSE(TakePresented(w->PlatformWindow()).empty());
}

TEST_F(EngineWindow, ObjectRepaintedInPlaceThenMovedOrHiddenInOneFrameLeavesItsOldPlace) {
    const std::array<std::uint8_t, 3> background{0x99, 0xCC, 0xFF}, colour{0x11, 0x22, 0x33};
    OWindow* w = Make();
    auto* s = new Sprite(5, 5, 10, 10, 0, 0x00112233);
    w->AddObject(s);
    s->Show();
    w->Render();
    s->drawn.clear();

    // A new blend level repaints it where it is; then it moves, as a fading object does.
    s->Show();
    s->Hide();
    s->SetPosition(40, 5, 0);
    s->Show();
    w->Render();
    EXPECT_EQ(s->drawn, (std::vector<Rect>{{40, 5, 50, 15}}));
    EXPECT_EQ(pixel(w, 6, 6), background);
    EXPECT_EQ(pixel(w, 45, 10), colour);
    EXPECT_EQ(w->DisplayedCount(), 1u);

    // Repainted and hidden in one frame: it is gone from the screen and the display list.
    s->Show();
    s->Hide();
    w->Render();
    EXPECT_EQ(pixel(w, 45, 10), background);
    EXPECT_EQ(w->DisplayedCount(), 0u);
}

TEST_F(EngineWindow, RemovedObjectIsForgottenAndItsAreaRepainted) {
    OWindow* w = Make();
    auto* s = new Sprite(5, 5, 10, 10, 0, 0x00112233);
    w->AddObject(s);
    s->Show();
    w->Render();
    TakePresented(w->PlatformWindow());
    w->RemoveObject(s);
    scene::OGraph::Release(s);
    EXPECT_EQ(w->DisplayedCount(), 0u);
    w->Render();
    EXPECT_EQ(TakePresented(w->PlatformWindow()), (std::vector<Rect>{{5, 5, 15, 15}}));
    EXPECT_EQ(pixel(w, 6, 6), (std::array<std::uint8_t, 3>{0x99, 0xCC, 0xFF}));
}

TEST_F(EngineWindow, DirtyAreaPastTheBufferIsClearedToTheEdgeButPresentedAsStored) {
    OWindow* w = Make();
    TakePresented(w->PlatformWindow());
    w->AddDirtyRect({1000, 10, 1100, 20});
    w->Render();
    EXPECT_EQ(TakePresented(w->PlatformWindow()), (std::vector<Rect>{{1000, 10, 1100, 20}}));
    Rect r{1000, -5, 2000, 20};
    w->ClearRect(&r);
    EXPECT_EQ(r, (Rect{1000, 0, 1024, 20}));
    Rect outside{1024, 0, 1100, 10};
    w->ClearRect(&outside);
    EXPECT_EQ(outside, (Rect{1024, 0, 1100, 10}));
}

TEST_F(EngineWindow, ClosingWindowNeitherRecordsNorRenders) {
    OWindow* w = Make();
    auto* s = new Sprite(5, 5, 10, 10, 0, 0);
    w->AddObject(s);
    const std::size_t pending = w->Pending().size();  // attaching announced it
    w->Close();
    s->Show();
    EXPECT_EQ(w->Pending().size(), pending);
    w->Render();
    EXPECT_TRUE(s->drawn.empty());
}

TEST_F(EngineWindow, TickTicksEveryObjectThenRenders) {
    OWindow* w = Make();
    auto* s = new Sprite(0, 0, 4, 4, 0, 0);
    s->SetVelocity(0, 2, 0);
    w->AddObject(s);
    w->Tick(100);  // still finished: not started
    EXPECT_EQ(s->Y(), 0);
    ASSERT_TRUE(w->Start());
    w->Tick(120);
    w->Tick(140);
    EXPECT_EQ(s->Y(), 4);
    EXPECT_EQ(s->LastTick(), 140u);
}

TEST_F(EngineWindow, FrameLoopSleepsTheRestOfTheFrameAndStopsWhenClosed) {
    OWindow* w = Make();
    ASSERT_TRUE(w->Start());
    int sleep = 0;
    ASSERT_TRUE(w->RunFrame(sleep));
    EXPECT_EQ(sleep, 19);
    w->SetFramesPerSecond(0);
    ASSERT_TRUE(w->RunFrame(sleep));
    EXPECT_EQ(w->FramesPerSecond(), 1);
    EXPECT_EQ(sleep, 999);
    w->Close();
    EXPECT_FALSE(w->RunFrame(sleep));
}

} // namespace
