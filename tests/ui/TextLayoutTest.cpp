#include "UiFixture.hpp"

#include "ui/OText.hpp"
#include "ui/TextLayout.hpp"

namespace {

using ui::OText;
using ui::TextLayout;

class Layout : public uitest::UiTest {
protected:
    // The words the window holds, in the order written.
    static std::vector<OText*> Words(engine::OWindow* w) {
        std::vector<OText*> out;
        for (scene::OGraph* g : w->Graphs())
            if (auto* t = dynamic_cast<OText*>(g)) out.push_back(t);
        return out;
    }
    static int Width(engine::OWindow*, const TextLayout& layout, const std::string& text) {
        return ui::TextWidth(text, layout.Style());
    }
};

TEST_F(Layout, TopTenCentredIsOneLineShiftedByHalfTheFreeSpace) {
    params.width = 350;
    auto* w = MakeWindow();
    TextLayout layout(*w);
    EXPECT_EQ(layout.rightBound, 350);
    layout.SetMargins(5, 345);
    layout.alignment = TextLayout::kAlignCentre;
    layout.size = 32;
    layout.WriteParagraph("Top 10");
    const std::vector<OText*> words = Words(w);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0]->GetText(), "Top ");
    EXPECT_EQ(words[1]->GetText(), "10 ");
    const int top = Width(w, layout, "Top "), ten = Width(w, layout, "10 ");
    const int shift = (340 - top - ten) / 2;
    EXPECT_EQ(words[0]->X(), 5 + shift);
    EXPECT_EQ(words[1]->X(), 5 + top + shift);
    EXPECT_EQ(words[1]->Y(), 0);
    EXPECT_EQ(layout.x, 5);
    EXPECT_EQ(layout.y, int(words[1]->Height()));
}

TEST_F(Layout, ALeftParagraphOfThreeLinesStartsEachAtTheMarginOneWordHeightLower) {
    auto* w = MakeWindow();
    TextLayout layout(*w);
    const int word = Width(w, layout, "word ");
    layout.SetMargins(10, 10 + 2 * word + word / 2);
    layout.y = 40;
    layout.WriteParagraph("word word word word word word");
    const std::vector<OText*> words = Words(w);
    ASSERT_EQ(words.size(), 6u);
    const int h = int(words[0]->Height());
    const std::vector<std::pair<int, int>> expected{{10, 40},     {10 + word, 40},     {10, 40 + h},
                                                    {10 + word, 40 + h}, {10, 40 + 2 * h}, {10 + word, 40 + 2 * h}};
    for (std::size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(words[i]->X(), expected[i].first) << "word " << i;
        EXPECT_EQ(words[i]->Y(), expected[i].second) << "word " << i;
    }
    EXPECT_EQ(layout.x, 10);
    EXPECT_EQ(layout.y, 40 + 3 * h) << "the pen waits at the start of the fourth line";
}

TEST_F(Layout, ACentredParagraphCentresEachLineByItsOwnFreeSpace) {
    auto* w = MakeWindow();
    TextLayout layout(*w);
    layout.alignment = TextLayout::kAlignCentre;
    const int first = Width(w, layout, "Wide "), second = Width(w, layout, "Wider ");
    const int third = Width(w, layout, "i "), fourth = Width(w, layout, "j ");
    layout.SetMargins(0, first + second + 3);
    layout.WriteParagraph("Wide Wider i j");
    const std::vector<OText*> words = Words(w);
    ASSERT_EQ(words.size(), 4u);
    const int right = first + second + 3;
    EXPECT_EQ(words[0]->X(), (right - first - second) / 2);
    EXPECT_EQ(words[1]->X(), first + (right - first - second) / 2);
    EXPECT_EQ(words[2]->X(), (right - third - fourth) / 2);
    EXPECT_EQ(words[3]->X(), third + (right - third - fourth) / 2);
    EXPECT_EQ(words[2]->Y(), words[0]->Height());
    EXPECT_EQ(words[3]->Y(), words[2]->Y());
}

TEST_F(Layout, RightAlignmentMovesEachLineToTheBound) {
    auto* w = MakeWindow();
    TextLayout layout(*w);
    layout.alignment = 2;
    layout.SetMargins(0, 300);
    layout.WriteParagraph("end");
    const std::vector<OText*> words = Words(w);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0]->X() + words[0]->Width(), 300);
}

TEST_F(Layout, EveryFurtherWhiteSpaceCharacterIsAWordOfOneSpace) {
    auto* w = MakeWindow();
    TextLayout layout(*w);
    layout.WriteParagraph("a  b\tc");
    std::vector<std::string> texts;
    for (OText* t : Words(w)) texts.push_back(t->GetText());
    EXPECT_EQ(texts, (std::vector<std::string>{"a ", " ", "b ", "c "}));
    const std::vector<OText*> words = Words(w);
    EXPECT_EQ(words[2]->X(), Width(w, layout, "a ") + Width(w, layout, " "));
}

TEST_F(Layout, AnOverlongWordGetsALineOfItsOwnAndTheNextWordStartsAnother) {
    auto* w = MakeWindow();
    TextLayout layout(*w);
    const int small = Width(w, layout, "ab ");
    layout.SetMargins(0, small * 2);
    layout.WriteParagraph("Supercalifragilistic ab cd");
    const std::vector<OText*> words = Words(w);
    ASSERT_EQ(words.size(), 3u);
    const int h = int(words[0]->Height());
    EXPECT_EQ(words[0]->X(), 0);
    EXPECT_EQ(words[0]->Y(), h) << "the first line was finished empty";
    EXPECT_GT(words[0]->X() + words[0]->Width(), small * 2) << "it overhangs";
    EXPECT_EQ(words[1]->X(), 0);
    EXPECT_EQ(words[1]->Y(), 2 * h);

    // A last word that does not fit stays on its line.
    TextLayout second(*w);
    second.SetMargins(0, small * 2);
    second.y = 200;
    second.WriteParagraph("ab Supercalifragilistic");
    const std::vector<OText*> all = Words(w);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[4]->Y(), 200);
    EXPECT_EQ(all[4]->X(), small);
    EXPECT_EQ(second.y, 200 + int(all[4]->Height()));
}

TEST_F(Layout, AnEmptyParagraphWritesNothingAndNewLineMovesOneSpaceDown) {
    auto* w = MakeWindow();
    TextLayout layout(*w);
    layout.SetMargins(7, 100);
    layout.x = 50;
    layout.WriteParagraph("");
    EXPECT_TRUE(Words(w).empty());
    EXPECT_EQ(layout.x, 50);
    EXPECT_EQ(layout.y, 0);
    layout.size = 24;
    layout.NewLine();
    EXPECT_EQ(layout.x, 7);
    EXPECT_EQ(layout.y, ui::TextHeight(" ", layout.Style()));
}

} // namespace
