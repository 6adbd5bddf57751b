#include "Layout.hpp"

#include <algorithm>

namespace assetgen {

bool Overlap(const Box& a, const Box& b) {
    if (a.width <= 0 || a.height <= 0 || b.width <= 0 || b.height <= 0) return false;
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

bool Inside(const Box& box, int windowWidth, int windowHeight) {
    return box.x >= 0 && box.y >= 0 && box.Right() <= windowWidth && box.Bottom() <= windowHeight;
}

std::optional<std::pair<std::string, std::string>> FirstOverlap(const std::vector<Box>& boxes) {
    for (size_t i = 0; i < boxes.size(); ++i) {
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            if (Overlap(boxes[i], boxes[j])) return std::pair{boxes[i].name, boxes[j].name};
        }
    }
    return std::nullopt;
}

Court CourtOf(Size ball) {
    Court court;
    court.ballWidth = ball.width;
    court.ballHeight = ball.height;
    court.top = ball.height + 10;
    court.width = 16 * ball.width + ball.width / 2;
    court.height = 16 * ball.height;
    return court;
}

std::vector<Box> GamePanel(const GameSizes& s) {
    const Court court = CourtOf(s.ball);
    std::vector<Box> boxes;
    const Box close{"btclose", kGameWindowWidth - s.close.width - 2, 0, s.close.width, s.close.height};
    const Box down{"btdown", close.x - s.down.width - 2, 0, s.down.width, s.down.height};
    const Box help{"bthelp", down.x - s.help.width - 2, 0, s.help.width, s.help.height};
    boxes.insert(boxes.end(), {close, down, help});
    boxes.push_back({"btKind", court.width + 50, 50, s.level.width, s.level.height});
    boxes.push_back({"scbox", court.width + 20, 120, s.scoreBox.width, s.scoreBox.height});
    for (int i = 0; i < 5; ++i) {
        boxes.push_back({"num" + std::to_string(i), court.width + 35 + i * (s.digit.width + 5), 145,
                         s.digit.width, s.digit.height});
    }
    const Box newGame{"btNew", court.width + 65, 270, s.newGame.width, s.newGame.height};
    // The game places the pair below New by half of New's height either side of its left edge.
    const int half = static_cast<int>(newGame.height * 0.5);
    const int pairY = newGame.y + newGame.height + 5;
    const Box scores{"btScores", newGame.x - half, pairY, s.scores.width, s.scores.height};
    const Box options{"btOptions", newGame.x + half, pairY, s.options.width, s.options.height};
    const Box games{"btGames", newGame.x, options.Bottom() + 5, s.games.width, s.games.height};
    boxes.insert(boxes.end(), {newGame, scores, options, games});
    return boxes;
}

std::vector<Box> GameCourt(const GameSizes& s) {
    const Court court = CourtOf(s.ball);
    std::vector<Box> boxes;
    boxes.push_back({"brdup", 0, 0, s.top.width, s.top.height});
    boxes.push_back({"brddn", 0, 579, s.bottom.width, s.bottom.height});
    boxes.push_back({"brdlf", 0, 10, s.left.width, s.left.height});
    boxes.push_back({"brdrt", 566, 10, s.right.width, s.right.height});
    boxes.push_back({"waiting", court.left + court.ballWidth / 4, court.top - court.ballHeight - 5,
                     15 * court.ballWidth + court.ballWidth, court.ballHeight});
    boxes.push_back({"z0", court.left + 8, court.top - 4, s.marker.width, s.marker.height});
    boxes.push_back(
        {"z15", 15 * court.ballWidth + court.left + 8, court.top - 4, s.marker.width, s.marker.height});
    boxes.push_back({"court", court.left, court.top, court.width, court.height});
    return boxes;
}

namespace {

// Two buttons at W/2 − width − gap and W/2 + gap, 10 pixels above the bottom.
void AddPair(DialogLayout& layout, Size button, int gap, const char* first, const char* second) {
    const int y = layout.height - button.height - 10;
    layout.boxes.push_back({first, layout.width / 2 - button.width - gap, y, button.width, button.height});
    layout.boxes.push_back({second, layout.width / 2 + gap, y, button.width, button.height});
}

} // namespace

DialogLayout TopTenWindow(Size button, Size title, Size rowLarge, Size rowSmall) {
    DialogLayout layout{350, 530, {}};
    const int y = layout.height - button.height - 10;
    const int publishX = (layout.width - button.width) / 2;
    layout.boxes.push_back({"top", (layout.width - title.width) / 2, 0, title.width, title.height});
    layout.boxes.push_back({"Close", publishX - button.width - 10, y, button.width, button.height});
    layout.boxes.push_back({"Publish", publishX, y, button.width, button.height});
    layout.boxes.push_back({"Clear", publishX + button.width + 10, y, button.width, button.height});
    for (int i = 0; i < 10; ++i) {
        const int rowY = (rowLarge.height - 2) * i + 90;
        layout.boxes.push_back({"name" + std::to_string(i), 15, rowY, rowLarge.width, rowLarge.height});
        layout.boxes.push_back(
            {"score" + std::to_string(i), rowLarge.width + 15, rowY, rowSmall.width, rowSmall.height});
    }
    return layout;
}

DialogLayout OptionsWindow(Size button, Size title, Size check, Size choice, int textHeight) {
    DialogLayout layout{260, 450, {}};
    layout.boxes.push_back({"options", (layout.width - title.width) / 2, 2, title.width, title.height});
    int y = 100;
    for (const char* name : {"Sound On", "Autosave", "Show Path"}) {
        layout.boxes.push_back({name, 20, y, check.width, check.height});
        y += check.height + 5;
    }
    layout.boxes.push_back({"Ball's speed:", 0, 230, layout.width, textHeight});
    for (int i = 0; i < 3; ++i) {
        static const char* const kNames[] = {"Fast", "Medium", "Slow"};
        layout.boxes.push_back({kNames[i], 20, 32 * i + 265, choice.width, choice.height});
    }
    AddPair(layout, button, 10, "Ok", "Cancel");
    return layout;
}

DialogLayout QuitWindow(Size button, Size picture) {
    DialogLayout layout{300, 200, {}};
    layout.boxes.push_back({"ExitPic", (layout.width - picture.width) / 2, 5, picture.width, picture.height});
    AddPair(layout, button, 30, "Yes", "No");
    return layout;
}

DialogLayout ResultWindow(Size button, Size edit, int titleHeight, int promptHeight) {
    DialogLayout layout{400, 300, {}};
    // "Congratulations!", 25 pixels, "Your score is", the score, 20 pixels, "Enter your name:".
    const int y = titleHeight + 25 + titleHeight + titleHeight + 20 + promptHeight;
    layout.boxes.push_back({"edit", (layout.width - edit.width) / 2, y, edit.width, edit.height});
    AddPair(layout, button, 10, "Ok", "Cancel");
    return layout;
}

DialogLayout PairWindow(int width, int height, Size button, int gap) {
    DialogLayout layout{width, height, {}};
    AddPair(layout, button, gap, "Yes", "No");
    return layout;
}

DialogLayout IntroParted(Size half1, Size half2, Size title) {
    DialogLayout layout{400, 400, {}};
    const int w = layout.width;
    const int h = layout.height;
    int y1 = h / 2 - half1.height;
    while (!(y1 - 10 < 0)) y1 -= 10;
    int y2 = h / 2;
    while (!(h < y2 + 10 + half2.height)) y2 += 10;
    layout.boxes.push_back({"Logo1", (w - half1.width) / 2, y1, half1.width, half1.height});
    layout.boxes.push_back({"Logo2", (w - half2.width) / 2, y2, half2.width, half2.height});
    layout.boxes.push_back({"Logo3", (w - title.width) / 2, (y1 + half1.height + y2 - title.height) / 2,
                            title.width, title.height});
    return layout;
}

Shelves PackShelves(const std::vector<Size>& pictures, int left, int top, int right, int gap, int labelHeight) {
    Shelves shelves;
    int x = left, shelfTop = top, shelfHeight = 0;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Size& size = pictures[i];
        // A shelf always takes its first picture, even one wider than the room.
        if (x > left && x + size.width > right) {
            x = left;
            shelfTop += shelfHeight + gap;
            shelfHeight = 0;
        }
        shelves.boxes.push_back({std::to_string(i), x, shelfTop + labelHeight, size.width, size.height});
        x += size.width + gap;
        shelfHeight = std::max(shelfHeight, labelHeight + size.height);
    }
    shelves.bottom = shelfTop + shelfHeight;
    return shelves;
}

} // namespace assetgen
