#include <gtest/gtest.h>

#include "AssetTestSupport.hpp"
#include "CairoCanvas.hpp"
#include "Draw.hpp"
#include "Layout.hpp"

namespace assetgen {
namespace {

using testing::ClipSize;

GameSizes SizesFromFiles() {
    GameSizes s;
    s.ball = ClipSize("SKINS/1.clp");
    s.close = ClipSize("CLP/btclose.clp");
    s.down = ClipSize("CLP/btdown.clp");
    s.help = ClipSize("CLP/bthelp.clp");
    s.newGame = ClipSize("CLP/btNew.clp");
    s.scores = ClipSize("CLP/btScores.clp");
    s.options = ClipSize("CLP/btOptions.clp");
    s.games = ClipSize("CLP/btGames.clp");
    s.level = ClipSize("CLP/btKind.clp");
    s.scoreBox = ClipSize("SKINS/scbox.clp");
    s.digit = ClipSize("SKINS/num.clp");
    s.selection = ClipSize("SKINS/chck.clp");
    s.marker = ClipSize("SKINS/z.clp");
    s.top = ClipSize("SKINS/brdup.clp");
    s.bottom = ClipSize("SKINS/brddn.clp");
    s.left = ClipSize("SKINS/brdlf.clp");
    s.right = ClipSize("SKINS/brdrt.clp");
    return s;
}

void ExpectNoOverlapInside(const DialogLayout& layout, const std::string& window) {
    const auto overlap = FirstOverlap(layout.boxes);
    EXPECT_FALSE(overlap) << window << ": " << overlap->first << " overlaps " << overlap->second;
    for (const Box& box : layout.boxes) {
        EXPECT_TRUE(Inside(box, layout.width, layout.height)) << window << ": " << box.name;
    }
}

const Box& Find(const std::vector<Box>& boxes, const std::string& name) {
    for (const Box& box : boxes) {
        if (box.name == name) return box;
    }
    static const Box missing{"missing"};
    ADD_FAILURE() << "no box " << name;
    return missing;
}

// Text extent in the game's default face at a font height, as the windows measure captions;
// the em size of the height is a generous upper bound for the cell height's glyphs.
double CaptionWidth(const std::string& text, int height) {
    CairoCanvas canvas(1, 1);
    return MeasureText(canvas.Context(), {"Liberation Sans", false, false, double(height)}, text).advance;
}

TEST(Layout, BoxesOverlapOnlyWhenTheyShareAPixel) {
    const Box a{"a", 0, 0, 10, 10};
    EXPECT_TRUE(Overlap(a, {"b", 9, 9, 5, 5}));
    EXPECT_FALSE(Overlap(a, {"b", 10, 0, 5, 5}));
    EXPECT_FALSE(Overlap(a, {"b", 0, 10, 5, 5}));
    EXPECT_FALSE(Overlap(a, {"b", 3, 3, 0, 0}));
    EXPECT_TRUE(Inside(a, 10, 10));
    EXPECT_FALSE(Inside({"c", -1, 0, 2, 2}, 10, 10));
    EXPECT_FALSE(Inside({"c", 5, 5, 6, 2}, 10, 10));
    const auto overlap = FirstOverlap({a, {"b", 20, 0, 5, 5}, {"c", 8, 8, 4, 4}});
    ASSERT_TRUE(overlap);
    EXPECT_EQ(overlap->first, "a");
    EXPECT_EQ(overlap->second, "c");
}

TEST(Layout, BallSizeGivesTheCourtThatFitsTheBorders) {
    const GameSizes s = SizesFromFiles();
    ASSERT_EQ(s.ball, (Size{34, 33}));
    const Court court = CourtOf(s.ball);
    EXPECT_EQ(court.left, 6);
    EXPECT_EQ(court.top, 43);
    EXPECT_EQ(court.width, 561);
    EXPECT_EQ(court.height, 528);
    const std::vector<Box> boxes = GameCourt(s);
    const Box& court_ = Find(boxes, "court");
    const Box& left = Find(boxes, "brdlf");
    const Box& right = Find(boxes, "brdrt");
    const Box& top = Find(boxes, "brdup");
    const Box& bottom = Find(boxes, "brddn");
    // The walls close the court without covering more than its edge pixel, and meet the beam
    // and the floor; the panel starts where the right wall ends.
    EXPECT_EQ(left.Right(), court_.x);
    EXPECT_GE(right.x, court_.Right() - 1);
    EXPECT_EQ(right.Right(), 573);
    EXPECT_EQ(top.width, 573);
    EXPECT_EQ(bottom.width, 573);
    EXPECT_GE(top.Bottom(), left.y);
    EXPECT_GE(left.Bottom(), bottom.y);
    EXPECT_GE(bottom.y, court_.Bottom());
    EXPECT_EQ(bottom.Bottom(), kGameWindowHeight);
    EXPECT_EQ(right.Bottom(), bottom.y);
    // The column markers fit between the waiting balls and the first row.
    const Box& waiting = Find(boxes, "waiting");
    for (const char* marker : {"z0", "z15"}) {
        EXPECT_FALSE(Overlap(Find(boxes, marker), waiting)) << marker;
        EXPECT_LE(Find(boxes, marker).Bottom(), court_.y) << marker;
        EXPECT_TRUE(Inside(Find(boxes, marker), 573, kGameWindowHeight)) << marker;
    }
    // The selection ring surrounds the ball at the cell corner − (3, 2).
    EXPECT_EQ(s.selection.width, s.ball.width + 6);
    EXPECT_EQ(s.selection.height, s.ball.height + 4);
}

TEST(Layout, GamePanelControlsStayApartInsideTheWindowRightOfTheCourt) {
    const GameSizes s = SizesFromFiles();
    const std::vector<Box> panel = GamePanel(s);
    std::vector<Box> controls;
    for (const Box& box : panel) {
        EXPECT_TRUE(Inside(box, kGameWindowWidth, kGameWindowHeight)) << box.name;
        EXPECT_GE(box.x, 573) << box.name;
        // The digits sit on the score box by design; every other pair stays apart.
        if (!box.name.starts_with("num")) controls.push_back(box);
    }
    const auto overlap = FirstOverlap(controls);
    EXPECT_FALSE(overlap) << overlap->first << " overlaps " << overlap->second;
    EXPECT_LE(s.scores.width, s.newGame.height);
    // The five digits stand inside the score box and apart from each other.
    const Box& box = Find(panel, "scbox");
    std::vector<Box> digits;
    for (int i = 0; i < 5; ++i) {
        const Box& digit = Find(panel, "num" + std::to_string(i));
        EXPECT_GE(digit.x, box.x) << i;
        EXPECT_LE(digit.Right(), box.Right()) << i;
        EXPECT_GE(digit.y, box.y) << i;
        EXPECT_LE(digit.Bottom(), box.Bottom()) << i;
        digits.push_back(digit);
    }
    EXPECT_FALSE(FirstOverlap(digits));
    // The level button carries the level names in a 26-pixel font.
    for (const char* level : {"Novice", "Expert", "Master"}) {
        EXPECT_LE(CaptionWidth(level, 26) + 16, s.level.width) << level;
    }
    EXPECT_LE(26 + 4, s.level.height);
}

TEST(Layout, DialogButtonFitsTheLongestCaptionsAndEveryPair) {
    const Size button = ClipSize("CLP/def_btn.clp");
    for (const char* caption : {"Cancel", "Publish", "Close", "Clear", "Play", "Yes", "Ok"}) {
        EXPECT_LE(CaptionWidth(caption, 24) + 16, button.width) << caption;
    }
    EXPECT_GE(button.height, 24 + 8);
    ExpectNoOverlapInside(PairWindow(270, 150, button, 10), "new-game confirmation");
    ExpectNoOverlapInside(PairWindow(330, 200, button, 10), "clear confirmation");
    ExpectNoOverlapInside(PairWindow(300, 200, button, 30), "quit confirmation");
    // The rules window's Play button in its bottom-right corner.
    EXPECT_TRUE(Inside(
        {"Play", 690 - button.width - 10, 500 - button.height - 10, button.width, button.height}, 690, 500));
}

TEST(Layout, TopTenRowsFitBetweenTitleAndButtons) {
    const Size rowLarge = ClipSize("CLP/boxlg.clp");
    const Size rowSmall = ClipSize("CLP/boxsm.clp");
    const DialogLayout layout =
        TopTenWindow(ClipSize("CLP/def_btn.clp"), ClipSize("CLP/top.clp"), rowLarge, rowSmall);
    EXPECT_LE(15 + rowLarge.width + rowSmall.width, 335);
    EXPECT_LE(Find(layout.boxes, "top").Bottom(), 90);
    const int buttonsTop = Find(layout.boxes, "Publish").y;
    EXPECT_LT(Find(layout.boxes, "name9").Bottom(), buttonsTop);
    // Rows of one column share their frame line (they step by height − 2), so the check
    // compares every row with the buttons and the title, and the two columns with each other.
    std::vector<Box> others;
    for (const char* name : {"top", "Close", "Publish", "Clear"}) others.push_back(Find(layout.boxes, name));
    EXPECT_FALSE(FirstOverlap(others));
    for (const Box& box : layout.boxes) {
        EXPECT_TRUE(Inside(box, layout.width, layout.height)) << box.name;
        if (!box.name.starts_with("name") && !box.name.starts_with("score")) continue;
        for (const Box& other : others) EXPECT_FALSE(Overlap(box, other)) << box.name << " " << other.name;
        if (box.name.starts_with("name")) {
            EXPECT_FALSE(Overlap(box, Find(layout.boxes, "score" + box.name.substr(4)))) << box.name;
        }
    }
    // A name and a score in the rows' 24-pixel captions fit their boxes.
    EXPECT_LE(CaptionWidth("Anonymous", 24) + 12, rowLarge.width);
    EXPECT_LE(CaptionWidth("99999", 24) + 12, rowSmall.width);
    EXPECT_GE(rowLarge.height, 24 + 6);
    EXPECT_EQ(rowLarge.height, rowSmall.height);
    EXPECT_LE(ClipSize("CLP/bar.clp").width, 350);
}

TEST(Layout, TopTenButtonsStandApartFromTheWindowEdgesInLineWithTheRows) {
    const Size rowLarge = ClipSize("CLP/boxlg.clp");
    const Size rowSmall = ClipSize("CLP/boxsm.clp");
    const DialogLayout layout =
        TopTenWindow(ClipSize("CLP/def_btn.clp"), ClipSize("CLP/top.clp"), rowLarge, rowSmall);
    const Box close = Find(layout.boxes, "Close");
    const Box publish = Find(layout.boxes, "Publish");
    const Box clear = Find(layout.boxes, "Clear");
    // The rows' margin, 15 pixels, at least on either side; the buttons 10 apart.
    EXPECT_GE(close.x, 15);
    EXPECT_LE(clear.Right(), layout.width - 15);
    EXPECT_GE(close.x, Find(layout.boxes, "name0").x);
    EXPECT_LE(clear.Right(), Find(layout.boxes, "score0").Right());
    EXPECT_EQ(publish.x - close.Right(), 10);
    EXPECT_EQ(clear.x - publish.Right(), 10);
    // The last row's bottom leaves air above them.
    EXPECT_GE(publish.y - Find(layout.boxes, "name9").Bottom(), 10);
}

TEST(Layout, OptionsWindowControlsStayApartAndLabelsFit) {
    const Size check = ClipSize("CLP/chk1.clp");
    const Size choice = ClipSize("CLP/cmb1.clp");
    EXPECT_EQ(check, ClipSize("CLP/chk2.clp"));
    EXPECT_EQ(choice, ClipSize("CLP/cmb2.clp"));
    EXPECT_EQ(check, ClipSize("CLP/def_cbox.clp"));
    const DialogLayout layout =
        OptionsWindow(ClipSize("CLP/def_btn.clp"), ClipSize("CLP/options.clp"), check, choice, 32);
    ExpectNoOverlapInside(layout, "options");
    EXPECT_LE(Find(layout.boxes, "options").Bottom(), 100);
    // Labels in the default 32-pixel font, 10 pixels right of their controls.
    for (const char* label : {"Sound On", "Autosave", "Show Path"}) {
        EXPECT_LE(20 + check.width + 10 + CaptionWidth(label, 32), layout.width) << label;
    }
    for (const char* label : {"Fast", "Medium", "Slow"}) {
        EXPECT_LE(20 + choice.width + 10 + CaptionWidth(label, 32), layout.width) << label;
    }
}

TEST(Layout, QuitPictureAndNameFieldFitTheirWindows) {
    const Size button = ClipSize("CLP/def_btn.clp");
    ExpectNoOverlapInside(QuitWindow(button, ClipSize("CLP/ExitPic.clp")), "quit");
    const Size edit = ClipSize("CLP/edit.clp");
    EXPECT_EQ(edit, ClipSize("CLP/def_edit.clp"));
    ExpectNoOverlapInside(ResultWindow(button, edit, 36, 24), "result");
    // The field holds a line of its 28-pixel caption with room for the caret.
    EXPECT_GE(edit.height, 28 + 4);
}

TEST(Layout, IntroTitleShowsInTheGapBetweenThePartedHalves) {
    const DialogLayout intro =
        IntroParted(ClipSize("CLP/Logo1.clp"), ClipSize("CLP/Logo2.clp"), ClipSize("CLP/Logo3.clp"));
    ExpectNoOverlapInside(intro, "intro");
    // When they meet, the halves fill the window's middle line from both sides.
    EXPECT_LE(ClipSize("CLP/Logo1.clp").height, 200);
    EXPECT_LE(ClipSize("CLP/Logo2.clp").height, 200);
}

} // namespace
} // namespace assetgen
