#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace assetgen {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// A placed picture or control: top-left corner and size in window pixels.
struct Box {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
};

// True when the two boxes share at least one pixel.
bool Overlap(const Box& a, const Box& b);

// True when the box lies completely inside a window of the given client size.
bool Inside(const Box& box, int windowWidth, int windowHeight);

// The names of the first two boxes of the list that overlap, if any.
std::optional<std::pair<std::string, std::string>> FirstOverlap(const std::vector<Box>& boxes);

// The court as the game derives it from the ball pictures.
struct Court {
    int ballWidth = 0;
    int ballHeight = 0;
    int left = 6;
    int top = 0;
    int width = 0;
    int height = 0;
};
Court CourtOf(Size ball);

// Sizes the pictures are drawn at. The windows' layout rules place them; the tests check
// the rules against the sizes read back from the files.
namespace sizes {
inline constexpr Size kSmallButton{24, 24};
inline constexpr Size kNewGame{115, 40};
inline constexpr Size kScores{40, 40};
inline constexpr Size kOptions{95, 40};
inline constexpr Size kGames{115, 40};
inline constexpr Size kLevel{130, 40};
// The daily game's and the statistics' panel buttons, as large as Options and More Games.
inline constexpr Size kDaily = kOptions;
inline constexpr Size kStatistics = kGames;
inline constexpr Size kReplayButton{40, 40};
inline constexpr Size kFasterButton{80, 40};
inline constexpr Size kScoreBox{160, 70};
inline constexpr Size kDigit{22, 32};
inline constexpr Size kNarrowDigit{13, 32};
inline constexpr Size kSelection{40, 37};
inline constexpr Size kPathDot{6, 6};
inline constexpr Size kKeyCell{40, 37};
inline constexpr Size kAimMark{21, 21};
inline constexpr Size kPausePlate{260, 72};
inline constexpr Size kBackdropTile{64, 64};
inline constexpr Size kColumnMarker{34, 4};
inline constexpr Size kTopBorder{573, 10};
inline constexpr Size kBottomBorder{573, 21};
inline constexpr Size kLeftBorder{6, 569};
inline constexpr Size kRightBorder{7, 569};
// Narrow enough that the Top 10's three buttons line up with its rows, 15 pixels in from
// either edge, instead of running from edge to edge of the window.
inline constexpr Size kDialogButton{100, 40};
inline constexpr Size kEdit{300, 40};
inline constexpr Size kCheck{32, 32};
inline constexpr Size kChoice{30, 30};
inline constexpr Size kRowLarge{220, 36};
inline constexpr Size kRowSmall{100, 36};
inline constexpr Size kTopTitle{300, 84};
inline constexpr Size kBar{300, 10};
inline constexpr Size kOptionsTitle{240, 90};
inline constexpr Size kExitPicture{280, 136};
inline constexpr Size kLogoHalf{300, 150};
inline constexpr Size kLogoTitle{380, 96};
} // namespace sizes

inline constexpr int kGameWindowWidth = 750;
inline constexpr int kGameWindowHeight = 600;

// Sizes of everything the game window places.
struct GameSizes {
    Size ball, close, down, help, newGame, scores, options, games, level, scoreBox, digit;
    Size selection, marker, top, bottom, left, right;
};

// The panel right of the court: close, down, help, level, score box, five digits, New,
// Scores, Options, Games, at the positions the game window gives them.
std::vector<Box> GamePanel(const GameSizes& sizes);

// The four borders, the waiting-ball row, the first and last column markers and the court.
std::vector<Box> GameCourt(const GameSizes& sizes);

// Dialog windows: their controls and pictures as the windows place them.
struct DialogLayout {
    int width = 0;
    int height = 0;
    std::vector<Box> boxes;
};

// Top 10 (350 × 530): title, Close, Publish, Clear and the ten rows of each column.
DialogLayout TopTenWindow(Size button, Size title, Size rowLarge, Size rowSmall);

// Options (260 × 450): title, three check boxes, the three speed choices, Ok and Cancel; the
// "Ball's speed:" line is a band of `textHeight` pixels at y = 230.
DialogLayout OptionsWindow(Size button, Size title, Size check, Size choice, int textHeight);

// Quit confirmation (300 × 200): picture, Yes, No.
DialogLayout QuitWindow(Size button, Size picture);

// Result (400 × 300): the name field below four lines of text of the given heights, Ok and
// Cancel.
DialogLayout ResultWindow(Size button, Size edit, int titleHeight, int promptHeight);

// Two-button dialogs with a gap of `gap` either side of the middle: Yes/No, Ok/Cancel.
DialogLayout PairWindow(int width, int height, Size button, int gap);

// Where the intro's logos stand once the halves have parted, and the title in the gap:
// logo 1 moves up from H/2 − its height in steps of 10 until less than 10 from the top,
// logo 2 down from H/2 until a further step would pass the bottom.
DialogLayout IntroParted(Size half1, Size half2, Size title);

// Pictures of the given sizes placed left to right from (left, top), `gap` apart, each below
// a label band of `labelHeight`; a picture that would pass `right` starts a new shelf below
// the tallest of the last one. The boxes are the pictures' own, named by their index.
struct Shelves {
    std::vector<Box> boxes;
    int bottom = 0;  // the bottom of the last shelf, labels included
};
Shelves PackShelves(const std::vector<Size>& pictures, int left, int top, int right, int gap, int labelHeight);

} // namespace assetgen
