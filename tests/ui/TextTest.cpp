#include "UiFixture.hpp"

#include "ui/OText.hpp"

namespace {

using ui::OText;

class Text : public uitest::UiTest {
protected:
    OText* AddText(uitest::EventWindow* w, const std::string& text, float x = 20, float y = 20) {
        auto* t = new OText(text);
        t->SetPosition(x, y, 0);
        w->AddObject(t);
        return t;
    }
};

TEST_F(Text, AutoSizeKeepsTheMeasuredSizeWhateverIsAsked) {
    auto* w = MakeWindow();
    OText* t = AddText(w, "Hoopstack");
    const engine::FontRecord font;
    EXPECT_EQ(t->Width(), ui::TextWidth("Hoopstack", font));
    EXPECT_EQ(t->Height(), ui::TextHeight("Hoopstack", font));
    t->SetSize(5, 5, 0);
    EXPECT_EQ(t->Width(), ui::TextWidth("Hoopstack", font));

    t->SetText("Hi");
    EXPECT_EQ(t->Width(), ui::TextWidth("Hi", font));
    t->SetAutoSize(false);
    t->SetSize(200, 10, 0);
    t->SetText("Hoopstack");
    EXPECT_EQ(t->Width(), 200) << "without AutoSize the given size stays";
    EXPECT_EQ(t->Height(), 10);
}

TEST_F(Text, AnEmptyTextMeasuresNothingAndAFilledOneItsCell) {
    auto* w = MakeWindow();
    OText* t = AddText(w, "");
    const engine::FontRecord font;
    EXPECT_EQ(t->Width(), 0);
    EXPECT_EQ(t->Height(), 0);
    t->SetText("Hoop");
    EXPECT_EQ(t->Width(), ui::TextWidth("Hoop", font));
    EXPECT_EQ(t->Height(), ui::TextHeight("Hoop", font))
        << "measuring the empty text first leaves the cell alone";
    EXPECT_GT(t->Height(), 0);
    t->SetText("");
    EXPECT_EQ(t->Width(), 0);
    EXPECT_EQ(t->Height(), 0);
}

TEST_F(Text, DetachedTextsReportZeroExtentsAndIgnoreScrolling) {
    auto* t = new OText("abc");
    EXPECT_EQ(t->Width(), 0);
    EXPECT_EQ(t->CharacterExtent(1).right, 0);
    EXPECT_EQ(t->CharacterAt(5), 0);
    EXPECT_EQ(t->LastFullyVisible(), 0);
    t->SetFirstVisible(1);
    EXPECT_EQ(t->FirstVisible(), 0);
    scene::OGraph::Release(t);
}

TEST_F(Text, ExtentsCountFromTheFirstVisibleCharacter) {
    auto* w = MakeWindow();
    OText* t = AddText(w, "abcd");
    const engine::FontRecord font;
    const int a = ui::TextWidth("a", font), ab = ui::TextWidth("ab", font),
              abcd = ui::TextWidth("abcd", font);
    EXPECT_EQ(t->CharacterExtent(0).left, 0);
    EXPECT_EQ(t->CharacterExtent(1).left, a);
    EXPECT_EQ(t->CharacterExtent(1).right, ab);
    EXPECT_EQ(t->CharacterExtent(4).left, abcd) << "the caret place after the last character";
    EXPECT_EQ(t->CharacterExtent(9).right, abcd);
    EXPECT_EQ(t->CharacterExtent(1).bottom, int(t->Height()));
    EXPECT_EQ(t->CharacterExtent(-1).right, 0);

    EXPECT_EQ(t->CharacterAt(0), 0);
    EXPECT_EQ(t->CharacterAt(a), 1);
    EXPECT_EQ(t->CharacterAt(ab - 1), 1);
    EXPECT_EQ(t->CharacterAt(abcd + 50), 4) << "right of the last character gives the length";
    EXPECT_EQ(t->CharacterAt(-1), 0);

    t->SetFirstVisible(2);
    EXPECT_EQ(t->FirstVisible(), 2);
    EXPECT_EQ(t->CharacterExtent(2).left, 0);
    EXPECT_EQ(t->CharacterExtent(0).left, -ab);
    EXPECT_EQ(t->CharacterAt(0), 2);
    t->SetFirstVisible(4);
    EXPECT_EQ(t->FirstVisible(), 2) << "only indices inside the text";
}

TEST_F(Text, LastFullyVisibleIsTheLastCharacterInsideTheWidth) {
    auto* w = MakeWindow();
    OText* t = AddText(w, "abcdef");
    const engine::FontRecord font;
    t->SetAutoSize(false);
    t->SetSize(float(ui::TextWidth("abc", font) + 1), 30, 0);
    EXPECT_EQ(t->LastFullyVisible(), 2);
    t->SetFirstVisible(2);
    EXPECT_EQ(t->LastFullyVisible(), 4);
    t->SetSize(float(ui::TextWidth("abcdef", font) + 1), 30, 0);
    EXPECT_EQ(t->LastFullyVisible(), 5);
    t->SetSize(1, 30, 0);
    EXPECT_EQ(t->LastFullyVisible(), 0) << "none fits";
}

TEST_F(Text, DrawsFromTheFirstVisibleCharacterClippedToItsBox) {
    auto* w = MakeWindow();
    OText* t = AddText(w, "WWWW", 20, 20);
    const int one = ui::TextWidth("W", engine::FontRecord{});
    auto inked = [&](int left, int right) {
        int count = 0;
        for (int y = 20; y < 20 + int(t->Height()); ++y)
            for (int x = left; x < right; ++x) count += Pixel(w, x, y) != uitest::kBackground;
        return count;
    };
    const int whole = inked(20, 20 + 4 * one);
    EXPECT_GT(whole, 0);
    t->SetFirstVisible(2);
    const int half = inked(20, 20 + 4 * one);
    EXPECT_GT(half, 0);
    EXPECT_LT(half, whole * 3 / 4);
    EXPECT_EQ(inked(20 + 2 * one + 2, 20 + 4 * one + 8), 0) << "the cut-off part leaves the area blank";
}

TEST_F(Text, AShrinkingTextNeverLeavesTheFirstVisibleBeyondItsEnd) {
    auto* w = MakeWindow();
    OText* t = AddText(w, "abcdef");
    t->SetFirstVisible(5);
    t->SetText("abc");
    EXPECT_EQ(t->FirstVisible(), 2);
    t->SetText("");
    EXPECT_EQ(t->FirstVisible(), 0);
}

} // namespace
