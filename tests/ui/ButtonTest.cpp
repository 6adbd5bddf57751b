#include "UiFixture.hpp"

#include "platform/KeyCodes.hpp"
#include "ui/OButton.hpp"

namespace {

using platform::Key_LButton;
using platform::Key_Return;
using scene::OClip;
using ui::OButton;
using uitest::kBlue;
using uitest::kGreen;
using uitest::kRed;
using uitest::EventWindow;

class Button : public uitest::UiTest {
protected:
    // The colour of the first frame of an image, 0xRRGGBB; 1 when it has none.
    static std::uint32_t Colour(const OClip* image) {
        if (!image || image->FrameCount() == 0) return 1;
        const auto* frame = dynamic_cast<const scene::OBitmap*>(image->Frame(0));
        const std::uint8_t* p = frame ? frame->Pixels() : nullptr;
        return p ? std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0] : 1;
    }
};

TEST_F(Button, EmptyStateFilesTakeTheFirstThreeDefaultFrames) {
    auto* b = new OButton("OK", "", "", "", true, "CLP\\def_btn.clp");
    EXPECT_EQ(Colour(b->NormalImage()), kRed);
    EXPECT_EQ(Colour(b->HoverImage()), kGreen);
    EXPECT_EQ(Colour(b->PressedImage()), kBlue);
    EXPECT_TRUE(b->NormalImage()->IsVisible());
    EXPECT_FALSE(b->HoverImage()->IsVisible());
    EXPECT_FALSE(b->PressedImage()->IsVisible());
    EXPECT_EQ(b->Width(), 80);
    EXPECT_EQ(b->Height(), 30);
    EXPECT_EQ(b->GetText(), "OK");
    EXPECT_EQ(b->RelativeZ(), -1.0f);
    ASSERT_EQ(b->FrameCount(), 4);
    EXPECT_EQ(b->Frame(3), b->Caption());
    scene::OGraph::Release(b);
}

TEST_F(Button, AOneFrameDefaultServesAllThreeStates) {
    WriteSkin("one.clp", 40, 20, {kGreen});
    auto* b = new OButton("", "", "", "", false, "CLP\\one.clp");
    EXPECT_EQ(Colour(b->NormalImage()), kGreen);
    EXPECT_EQ(Colour(b->HoverImage()), kGreen);
    EXPECT_EQ(Colour(b->PressedImage()), kGreen);
    scene::OGraph::Release(b);
}

TEST_F(Button, MissingHoverAndPressedNamesLeaveThoseImagesEmptyAndTheLookUnchanged) {
    WriteSkin("plain.clp", 40, 20, {kBlue});
    EventWindow* w = MakeWindow();
    auto* b = new OButton("", "CLP\\plain.clp", std::nullopt, std::nullopt, true, "CLP\\def_btn.clp");
    EXPECT_EQ(Colour(b->NormalImage()), kBlue);
    EXPECT_EQ(b->HoverImage()->FrameCount(), 0);
    EXPECT_EQ(b->PressedImage()->FrameCount(), 0);
    b->SetPosition(10, 10, b->RelativeZ());
    w->AddObject(b);
    w->MouseMove(20, 20);
    w->KeyDown(Key_LButton, 20, 20);
    EXPECT_EQ(Pixel(w, 20, 20), kBlue);
    EXPECT_TRUE(b->NormalImage()->IsVisible());
}

TEST_F(Button, WithoutAnyLoadableSkinTheButtonIsSixtyByThirtyWithItsCaptionOnly) {
    auto* b = new OButton("Go", "", "", "", false, "CLP\\missing.clp");
    EXPECT_EQ(b->NormalImage()->FrameCount(), 0);
    EXPECT_EQ(b->Width(), 60);
    EXPECT_EQ(b->Height(), 30);
    auto* r = new OButton("Go", std::nullopt, 0, 1, 2, false, "CLP\\missing.clp");
    EXPECT_EQ(r->FrameCount(), 4) << "the parts keep their places";
    EXPECT_EQ(r->Width(), 60);
    scene::OGraph::Release(b);
    scene::OGraph::Release(r);
}

TEST_F(Button, FrameRangesAreClampedToTheSkin) {
    WriteSkin("five.clp", 40, 20, {0x010101, 0x020202, 0x030303, 0x040404, 0x050505}, 10);
    auto* b = new OButton("", "CLP\\five.clp", 0, 2, 4, false, "CLP\\def_btn.clp");
    EXPECT_EQ(b->NormalImage()->FrameCount(), 2);
    EXPECT_EQ(b->HoverImage()->FrameCount(), 2);
    EXPECT_EQ(b->PressedImage()->FrameCount(), 1);
    EXPECT_EQ(Colour(b->HoverImage()), 0x030303u);
    EXPECT_EQ(b->NormalImage()->FramesPerSecond(), 10);
    EXPECT_EQ(b->Caption()->Font().height, 28);

    // Starts beyond the skin fall back to its last frame; an empty range keeps its first.
    auto* c = new OButton("", "CLP\\five.clp", 3, 3, 9, false, "CLP\\def_btn.clp");
    EXPECT_EQ(c->NormalImage()->FrameCount(), 1);
    EXPECT_EQ(Colour(c->NormalImage()), 0x040404u);
    EXPECT_EQ(Colour(c->HoverImage()), 0x040404u);
    EXPECT_EQ(c->HoverImage()->FrameCount(), 1);
    EXPECT_EQ(Colour(c->PressedImage()), 0x050505u);

    WriteSkin("two.clp", 40, 20, {kRed, kGreen});
    auto* d = new OButton("", "CLP\\two.clp", 0, 1, 2, false, "CLP\\def_btn.clp");
    EXPECT_EQ(Colour(d->HoverImage()), kGreen);
    EXPECT_EQ(Colour(d->PressedImage()), kGreen) << "fewer than three frames: pressed is the last";

    auto* e = new OButton("", "CLP\\absent.clp", 0, 1, 2, false, "CLP\\def_btn.clp");
    EXPECT_EQ(Colour(e->PressedImage()), kBlue) << "a skin that does not load gives the default";
    for (OButton* x : {b, c, d, e}) scene::OGraph::Release(x);
}

TEST_F(Button, TheImageFollowsHoverPressAndFocus) {
    EventWindow* w = MakeWindow();
    auto* b = new OButton("", "", "", "", true, "CLP\\def_btn.clp");
    b->SetPosition(100, 100, b->RelativeZ());
    auto* other = new OButton("", "", "", "", true, "CLP\\def_btn.clp");
    other->SetPosition(100, 200, other->RelativeZ());
    w->AddObject(b);
    w->AddObject(other);
    EXPECT_EQ(Pixel(w, 110, 110), kRed);
    w->MouseMove(110, 110);
    EXPECT_EQ(Pixel(w, 110, 110), kGreen);
    w->KeyDown(Key_LButton, 110, 110);
    EXPECT_EQ(Pixel(w, 110, 110), kBlue);
    w->MouseMove(300, 10);
    EXPECT_EQ(Pixel(w, 110, 110), kGreen) << "pressed outside shows the focused look";
    w->KeyUp(Key_LButton, 300, 10);
    w->MouseMove(300, 11);
    EXPECT_EQ(Pixel(w, 110, 110), kGreen) << "still focused";
    w->SetFocusControl(other);
    EXPECT_EQ(Pixel(w, 110, 110), kRed);
    EXPECT_EQ(Pixel(w, 110, 210), kGreen);
    w->KeyDown(Key_Return, 0, 0);
    EXPECT_EQ(Pixel(w, 110, 210), kBlue) << "Enter held shows the pressed look";
}

TEST_F(Button, TheCaptionIsCentredAndDrawnOverTheImages) {
    EventWindow* w = MakeWindow();
    auto* b = new OButton("W", "", "", "", false, "CLP\\def_btn.clp");
    engine::FontRecord font = b->Caption()->Font();
    font.height = 20;
    font.colour = 0x00FFFFFF;
    b->Caption()->SetFont(font);
    b->SetPosition(100, 100, b->RelativeZ());
    w->AddObject(b);
    ui::OText* caption = b->Caption();
    EXPECT_EQ(caption->Width(), ui::TextWidth("W", font));
    EXPECT_FLOAT_EQ(caption->RelativeX(), (80 - caption->Width()) / 2);
    EXPECT_FLOAT_EQ(caption->RelativeY(), (30 - caption->Height()) / 2);
    int white = 0;
    for (int y = 100; y < 130; ++y)
        for (int x = 100; x < 180; ++x) white += Pixel(w, x, y) == 0xFFFFFF;
    EXPECT_GT(white, 10);
}

TEST_F(Button, ACaptionGivenToAnEmptyButtonLaterIsCentredToo) {
    EventWindow* w = MakeWindow();
    auto* b = new OButton("", "", "", "", false, "CLP\\def_btn.clp");
    w->AddObject(b);
    ui::OText* caption = b->Caption();
    EXPECT_EQ(caption->Width(), 0);
    EXPECT_EQ(caption->Height(), 0) << "an empty caption measures nothing";
    b->SetText("OK");
    EXPECT_EQ(caption->Width(), ui::TextWidth("OK", caption->Font()));
    EXPECT_EQ(caption->Height(), ui::TextHeight("OK", caption->Font()));
    EXPECT_FLOAT_EQ(caption->RelativeX(), (80 - caption->Width()) / 2);
    EXPECT_FLOAT_EQ(caption->RelativeY(), (30 - caption->Height()) / 2);
}

TEST_F(Button, ACopyHasItsOwnPartsAndOutlivesTheOriginal) {
    auto* b = new OButton("Copy me", "", "", "", true, "CLP\\def_btn.clp");
    b->SetSounds("WAV\\over.wav", std::nullopt);
    auto* copy = dynamic_cast<OButton*>(b->Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetText(), "Copy me");
    EXPECT_TRUE(copy->IsFocusable());
    EXPECT_EQ(copy->HoverSound(), std::optional<std::string>("WAV\\over.wav"));
    EXPECT_NE(copy->Caption(), b->Caption());
    EXPECT_EQ(copy->Caption(), copy->Frame(3));
    EXPECT_FALSE(copy->HoverImage()->IsVisible());
    scene::OGraph::Release(b);
    EXPECT_EQ(Colour(copy->PressedImage()), kBlue);
    EventWindow* w = MakeWindow();
    copy->SetPosition(0, 0, copy->RelativeZ());
    w->AddObject(copy);
    EXPECT_EQ(Pixel(w, 5, 5), kRed);
}

} // namespace
