#include "UiFixture.hpp"

#include "engine/ControlEvents.hpp"
#include "platform/KeyCodes.hpp"
#include "ui/OEdit.hpp"

namespace {

using engine::Event_Click;
using engine::Event_EnterPressed;
using engine::Event_EnterReleased;
using platform::Key_Backspace;
using platform::Key_Delete;
using platform::Key_End;
using platform::Key_Home;
using platform::Key_LButton;
using platform::Key_Left;
using platform::Key_Return;
using platform::Key_Right;
using ui::OEdit;
using uitest::EventWindow;
using Codes = std::vector<int>;

constexpr std::uint32_t kPaper = 0xF0F0F0, kPaperHover = 0xFFFFFF, kPaperPressed = 0xFFFFC0;

class Edit : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        WriteSkin("edit.clp", 200, 30, {kPaper, kPaperHover, kPaperPressed});
    }
    OEdit* AddEdit(EventWindow* w, const std::string& text, float x = 50, float y = 50) {
        auto* e = new OEdit(text, "CLP\\edit.clp", 0, 1, 2, true, "CLP\\def_edit.clp");
        e->SetPosition(x, y, e->RelativeZ());
        w->AddObject(e);
        return e;
    }
    static void Type(EventWindow* w, const std::string& text) {
        for (const char c : text) w->Char(std::uint8_t(c));
    }
    // The caret's left edge relative to the caption.
    static float CaretLeft(const OEdit* e) { return e->Caret()->RelativeX() - e->Caption()->RelativeX(); }
};

TEST_F(Edit, TheCaptionFitsWithEqualMarginsAndAnEmptyFieldHasASpaceHighCaret) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "");
    ui::OText* caption = e->Caption();
    const float a = std::min<float>(float(ui::TextHeight(" ", caption->Font())), 28);
    EXPECT_EQ(caption->Height(), a);
    EXPECT_EQ(caption->Width(), 200 - (30 - a));
    EXPECT_EQ(caption->RelativeX(), (30 - a) / 2);
    EXPECT_EQ(caption->RelativeY(), (30 - a) / 2);
    EXPECT_EQ(caption->GetText(), "");
    ASSERT_EQ(e->Caret()->FrameCount(), 2);
    EXPECT_EQ(e->Caret()->Frame(0)->Height(), int(a));
    EXPECT_EQ(e->Caret()->Frame(0)->Width(), OEdit::kCaretWidth);
    EXPECT_EQ(e->Frame(4), e->Caret());
    EXPECT_EQ(e->Caret()->FramesPerSecond(), 4);
}

TEST_F(Edit, CursorKeysKeepTheCaretInsideTheText) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "abc");
    EXPECT_EQ(e->CaretPosition(), 3) << "attaching puts the caret after the text";
    w->SetFocusControl(e);
    std::vector<int> positions;
    for (const int key : {Key_Right, Key_Home, Key_Left, Key_Right, Key_End, Key_Right, Key_Left}) {
        w->KeyDown(key, 0, 0);
        positions.push_back(e->CaretPosition());
    }
    EXPECT_EQ(positions, (std::vector<int>{3, 0, 0, 1, 3, 3, 2}));
    e->SetCaret(-5);
    EXPECT_EQ(e->CaretPosition(), 0);
    e->SetCaret(99);
    EXPECT_EQ(e->CaretPosition(), 3);
    EXPECT_EQ(CaretLeft(e), ui::TextWidth("abc", e->Caption()->Font()));
}

TEST_F(Edit, BackspaceAtTheStartAndDeleteAtTheEndChangeNothing) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "abcd");
    w->SetFocusControl(e);
    w->KeyDown(Key_Delete, 0, 0);
    EXPECT_EQ(e->GetText(), "abcd");
    w->KeyDown(Key_Home, 0, 0);
    w->KeyDown(Key_Backspace, 0, 0);
    EXPECT_EQ(e->GetText(), "abcd");
    EXPECT_EQ(e->CaretPosition(), 0);

    w->KeyDown(Key_Right, 0, 0);
    w->KeyDown(Key_Right, 0, 0);
    w->KeyDown(Key_Backspace, 0, 0);
    EXPECT_EQ(e->GetText(), "acd");
    EXPECT_EQ(e->CaretPosition(), 1);
    w->KeyDown(Key_Delete, 0, 0);
    EXPECT_EQ(e->GetText(), "ad");
    EXPECT_EQ(e->CaretPosition(), 1);
    e->DeleteAt(-1);
    e->DeleteAt(2);
    EXPECT_EQ(e->GetText(), "ad");
}

TEST_F(Edit, TypingInsertsAtTheCaretAndIgnoresControlBytes) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "");
    w->SetFocusControl(e);
    Type(w, "Ada");
    w->KeyDown(Key_Home, 0, 0);
    Type(w, "\x01\x08\t\r\x1b");
    w->Char('>');
    w->Char(0xE9);
    EXPECT_EQ(e->GetText(), ">\xE9" "Ada");
    EXPECT_EQ(e->CaretPosition(), 2);
}

TEST_F(Edit, EnterClicksAndInsertsNothing) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "Bo");
    w->SetFocusControl(e);
    w->events.clear();
    w->KeyDown(Key_Return, 0, 0);
    w->Char(13);
    w->KeyUp(Key_Return, 0, 0);
    EXPECT_EQ(w->Codes(e), (Codes{Event_EnterPressed, Event_EnterReleased, Event_Click}));
    EXPECT_EQ(e->GetText(), "Bo");
}

TEST_F(Edit, TypingPastTheRightEdgeScrollsAndHomeScrollsBack) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "");
    ui::OText* caption = e->Caption();
    w->SetFocusControl(e);
    for (int i = 0; i < 40; ++i) {
        w->Char(i % 3 ? 'W' : 'i');
        EXPECT_LT(CaretLeft(e), caption->Width()) << "after " << i + 1 << " characters";
        EXPECT_GE(CaretLeft(e), 0);
    }
    EXPECT_GT(caption->FirstVisible(), 0);
    const int first = caption->FirstVisible();
    w->KeyDown(Key_Left, 0, 0);
    EXPECT_EQ(caption->FirstVisible(), first) << "moving left inside the view does not scroll";
    w->KeyDown(Key_Home, 0, 0);
    EXPECT_EQ(caption->FirstVisible(), 0);
    EXPECT_EQ(CaretLeft(e), 0);
    w->KeyDown(Key_End, 0, 0);
    EXPECT_GT(caption->FirstVisible(), 0);
    EXPECT_LT(CaretLeft(e), caption->Width());
    EXPECT_EQ(e->CaretPosition(), 40);
}

TEST_F(Edit, ALongNameIsKeptWholeAndTheCaretStaysInTheField) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "");
    w->SetFocusControl(e);
    std::string name;
    for (int i = 0; i < 3000; ++i) name += char('a' + i % 26);
    Type(w, name);
    EXPECT_EQ(e->GetText(), name);
    EXPECT_LT(CaretLeft(e), e->Caption()->Width());
    w->KeyDown(Key_Home, 0, 0);
    for (int i = 0; i < 3000; ++i) w->KeyDown(Key_Delete, 0, 0);
    EXPECT_EQ(e->GetText(), "");
    EXPECT_EQ(e->Caption()->FirstVisible(), 0);
}

TEST_F(Edit, BackspacingFromTheEndOfAScrolledTextKeepsSomethingShownAndTheCaretAfterIt) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "");
    ui::OText* caption = e->Caption();
    w->SetFocusControl(e);
    Type(w, std::string(60, 'x'));
    ASSERT_GT(caption->FirstVisible(), 0);
    for (int i = 0; i < 59; ++i) {
        w->KeyDown(Key_Backspace, 0, 0);
        const int length = int(e->GetText().size());
        ASSERT_LT(caption->FirstVisible(), length) << "after " << i + 1;
        ASSERT_EQ(e->CaretPosition(), length);
        // Once the text scrolls back, the caret must follow it to the end of the text.
        ASSERT_EQ(CaretLeft(e), float(caption->CharacterExtent(length).left)) << "after " << i + 1;
        ASSERT_GT(CaretLeft(e), 0) << "after " << i + 1
                                   << ": the caret stands after the last visible character";
    }
    EXPECT_EQ(e->GetText(), "x");
}

TEST_F(Edit, AClickPutsTheCaretBeforeTheCharacterUnderIt) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "abcdef");
    ui::OText* caption = e->Caption();
    const int ab = ui::TextWidth("ab", caption->Font());
    const int x = 50 + int(caption->RelativeX()) + ab + 1;
    w->MouseMove(x, 60);
    w->KeyDown(Key_LButton, x, 60);
    EXPECT_EQ(e->CaretPosition(), 2);
    w->KeyUp(Key_LButton, x, 60);
    w->KeyDown(Key_LButton, 245, 60);
    EXPECT_EQ(e->CaretPosition(), 6) << "right of the text is the end";
}

TEST_F(Edit, TheCaretShowsOnlyWhileFocusedAndBlinksAtFourFramesASecond) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "ab");
    auto* other = new OEdit("", "CLP\\edit.clp", 0, 1, 2, true, "CLP\\def_edit.clp");
    other->SetPosition(50, 150, other->RelativeZ());
    w->AddObject(other);
    scene::OClip* caret = e->Caret();
    EXPECT_FALSE(caret->IsVisible());
    w->SetFocusControl(e);
    EXPECT_TRUE(caret->IsVisible());
    EXPECT_EQ(caret->ShownFrame(), 0);

    const int caretX = int(caret->X()) + 1, caretY = int(caret->Y()) + 3;
    w->Tick(1000);
    EXPECT_EQ(Pixel(w, caretX, caretY), 0u) << "drawn phase";
    w->Tick(1260);
    EXPECT_EQ(caret->ShownFrame(), 1);
    EXPECT_EQ(Pixel(w, caretX, caretY), kPaperHover) << "invisible phase";
    w->Char('c');
    EXPECT_EQ(caret->ShownFrame(), 0) << "typing restarts the drawn phase";

    w->SetFocusControl(other);
    EXPECT_FALSE(caret->IsVisible());
    EXPECT_TRUE(other->Caret()->IsVisible());
}

TEST_F(Edit, SettingAShorterTextKeepsTheCaretInsideIt) {
    EventWindow* w = MakeWindow();
    OEdit* e = AddEdit(w, "abcdef");
    e->SetText("ab");
    EXPECT_EQ(e->CaretPosition(), 2);
    w->SetFocusControl(e);
    w->Char('c');
    EXPECT_EQ(e->GetText(), "abc");
}

} // namespace
