#include "ContactSheet.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <vector>

#include "AssetCatalogue.hpp"
#include "CairoCanvas.hpp"
#include "Draw.hpp"
#include "Layout.hpp"
#include "Picture.hpp"
#include "ScreenPictures.hpp"

namespace assetgen {

namespace {

constexpr int kSheetWidth = 1600;
constexpr int kMargin = 16;
constexpr int kLabelHeight = 14;
// The band above each of the program's windows, holding its label.
constexpr int kScreenLabelHeight = 18;

using ClipMap = std::map<std::string, scene::TClipData>;

Picture FramePicture(const scene::TClipData& clip, size_t frame) {
    return FromClipImage(clip.images[static_cast<size_t>(clip.frames[frame].image)]);
}

Size ClipSize(const ClipMap& clips, const std::string& path) {
    auto it = clips.find(path);
    if (it == clips.end() || it->second.images.empty()) return {};
    const scene::TClipImage& image = it->second.images[0];
    return {image.width, std::abs(image.height)};
}

void Label(cairo_t* cr, const std::string& text, double x, double y, double size = 11, bool bold = false) {
    SelectFont(cr, {"Liberation Sans", bold, false, size});
    SetColour(cr, palette::kSeam);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

void PaintFrame(CairoCanvas& canvas, const ClipMap& clips, const std::string& path, size_t frame, double x,
                double y) {
    auto it = clips.find(path);
    if (it == clips.end() || it->second.frames.empty()) return;
    frame = std::min(frame, it->second.frames.size() - 1);
    canvas.Paint(FramePicture(it->second, frame), x, y);
}

// The game window as the game would compose it, with a half-filled court.
void PaintGameMockup(CairoCanvas& canvas, const ClipMap& clips, double ox, double oy) {
    cairo_t* cr = canvas.Context();
    cairo_rectangle(cr, ox, oy, kGameWindowWidth, kGameWindowHeight);
    SetColour(cr, palette::kBackground);
    cairo_fill(cr);
    GameSizes s;
    s.ball = ClipSize(clips, "SKINS/1.clp");
    s.close = ClipSize(clips, "CLP/btclose.clp");
    s.down = ClipSize(clips, "CLP/btdown.clp");
    s.help = ClipSize(clips, "CLP/bthelp.clp");
    s.newGame = ClipSize(clips, "CLP/btNew.clp");
    s.scores = ClipSize(clips, "CLP/btScores.clp");
    s.options = ClipSize(clips, "CLP/btOptions.clp");
    s.games = ClipSize(clips, "CLP/btGames.clp");
    s.level = ClipSize(clips, "CLP/btKind.clp");
    s.scoreBox = ClipSize(clips, "SKINS/scbox.clp");
    s.digit = ClipSize(clips, "SKINS/num.clp");
    s.marker = ClipSize(clips, "SKINS/z.clp");
    s.top = ClipSize(clips, "SKINS/brdup.clp");
    s.bottom = ClipSize(clips, "SKINS/brddn.clp");
    s.left = ClipSize(clips, "SKINS/brdlf.clp");
    s.right = ClipSize(clips, "SKINS/brdrt.clp");
    const Court court = CourtOf(s.ball);

    // Lower half of the court filled, a few holes, with a fixed pattern of colours.
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int row = 9; row <= 16; ++row) {
        for (int column = 1; column <= 16; ++column) {
            if (row == 9 && next() % 3 == 0) continue;
            const int colour = static_cast<int>(next() % 7) + 1;
            const int x = (column - 1) * court.ballWidth + court.left + (row % 2 ? court.ballWidth / 2 : 0);
            const int y = (row - 1) * court.ballHeight + court.top;
            PaintFrame(canvas, clips, "SKINS/" + std::to_string(colour) + ".clp", next() % 24, ox + x,
                       oy + y);
        }
    }
    for (int column = 1; column <= 16; ++column) {
        const int colour = static_cast<int>(next() % 7) + 1;
        PaintFrame(canvas, clips, "SKINS/" + std::to_string(colour) + ".clp", 0,
                   ox + (column - 1) * court.ballWidth + court.left + court.ballWidth / 4,
                   oy + court.top - court.ballHeight - 5);
    }
    for (int i = 0; i < 16; ++i) {
        PaintFrame(canvas, clips, "SKINS/z.clp", i == 6 ? 3 : 0, ox + i * court.ballWidth + court.left + 8,
                   oy + court.top - 4);
    }
    // A selected ball in row 9 with the path of a throw towards the upper left.
    const int selectedX = 7 * court.ballWidth + court.left + court.ballWidth / 2;
    const int selectedY = 8 * court.ballHeight + court.top;
    PaintFrame(canvas, clips, "SKINS/1.clp", 0, ox + selectedX, oy + selectedY);
    PaintFrame(canvas, clips, "SKINS/chck.clp", 0, ox + selectedX - 3, oy + selectedY - 2);
    for (int i = 1; i < 24; ++i) {
        const double t = i / 24.0;
        const double x = selectedX + 17 - 220 * t;
        const double y = selectedY + 16 - 420 * t + 380 * t * t;
        PaintFrame(canvas, clips, "SKINS/point.clp", 0, ox + x, oy + y);
    }
    PaintFrame(canvas, clips, "SKINS/brdlf.clp", 0, ox + 0, oy + 10);
    PaintFrame(canvas, clips, "SKINS/brdrt.clp", 0, ox + 566, oy + 10);
    PaintFrame(canvas, clips, "SKINS/brdup.clp", 0, ox + 0, oy + 0);
    PaintFrame(canvas, clips, "SKINS/brddn.clp", 0, ox + 0, oy + 579);

    const std::map<std::string, std::string> files = {
        {"btclose", "CLP/btclose.clp"},   {"btdown", "CLP/btdown.clp"},       {"bthelp", "CLP/bthelp.clp"},
        {"btKind", "CLP/btKind.clp"},     {"scbox", "SKINS/scbox.clp"},       {"btNew", "CLP/btNew.clp"},
        {"btScores", "CLP/btScores.clp"}, {"btOptions", "CLP/btOptions.clp"}, {"btGames", "CLP/btGames.clp"}};
    int digit = 0;
    for (const Box& box : GamePanel(s)) {
        if (box.name.starts_with("num")) {
            const int shown[] = {0, 1, 2, 3, 5};
            PaintFrame(canvas, clips, "SKINS/num.clp", shown[digit] * 5 + (digit == 4 ? 2 : 0), ox + box.x,
                       oy + box.y);
            ++digit;
            continue;
        }
        auto it = files.find(box.name);
        if (it == files.end()) continue;
        PaintFrame(canvas, clips, it->second, box.name == "btOptions" ? 1 : 0, ox + box.x, oy + box.y);
        if (box.name == "btKind") {
            // The game writes the level name on this button in its peach caption colour.
            Lettering caption;
            caption.font = {"Liberation Sans", false, false, 23};
            caption.top = caption.bottom = palette::kBackground;
            caption.outlineWidth = 0;
            caption.shadowAlpha = 0;
            DrawLettering(cr, "Novice", caption, ox + box.x + box.width / 2.0, oy + box.y + box.height / 2.0);
        }
    }
}

// The intro once the halves have parted and the title shows between them.
void PaintIntroMockup(CairoCanvas& canvas, const ClipMap& clips, double ox, double oy) {
    cairo_t* cr = canvas.Context();
    cairo_rectangle(cr, ox, oy, 400, 400);
    SetColour(cr, palette::kBackground);
    cairo_fill(cr);
    const DialogLayout intro = IntroParted(ClipSize(clips, "CLP/Logo1.clp"), ClipSize(clips, "CLP/Logo2.clp"),
                                           ClipSize(clips, "CLP/Logo3.clp"));
    for (const Box& box : intro.boxes) {
        auto it = clips.find("CLP/" + box.name + ".clp");
        if (it == clips.end()) continue;
        PaintFrame(canvas, clips, it->first, it->second.frames.size() - 1, ox + box.x, oy + box.y);
    }
    // The assembled emblem, as it meets in the middle before parting.
    const Size half = ClipSize(clips, "CLP/Logo1.clp");
    PaintFrame(canvas, clips, "CLP/Logo1.clp", 0, ox + 400 + kMargin + (400 - half.width) / 2.0,
               oy + 200 - half.height);
    PaintFrame(canvas, clips, "CLP/Logo2.clp", 0, ox + 400 + kMargin + (400 - half.width) / 2.0, oy + 200);
}

// One of the program's windows at 1:1, its label above it and a thin frame around it.
void PaintScreen(cairo_t* cr, const ScreenPictures::Screen& screen, double x, double y) {
    cairo_save(cr);
    cairo_set_source_surface(cr, screen.surface, x, y);
    cairo_rectangle(cr, x, y, screen.width, screen.height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_rectangle(cr, x - 0.5, y - 0.5, screen.width + 1, screen.height + 1);
    SetColour(cr, palette::kSeam, 0.5);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    Label(cr, screen.label, x, y - 5, 12, true);
}

// Where each frame goes on the sheet: one block per clip, frames left to right, wrapping.
struct Placement {
    std::string path;
    size_t frame = 0;
    double x = 0, y = 0, scale = 1;
};

} // namespace

ClipMap ReadBackClips(std::ostream& errors) {
    ClipMap clips;
    for (const Asset& asset : Catalogue()) {
        if (asset.kind != AssetKind::Clip) continue;
        const std::vector<uint8_t> bytes = asset.make();
        std::optional<scene::TClipData> clip = scene::ReadClip(bytes);
        if (!clip) {
            errors << "hoopstack-assetgen: " << asset.path << " does not read back\n";
            continue;
        }
        clips.emplace(asset.path, std::move(*clip));
    }
    return clips;
}

bool WriteContactSheet(const std::string& pngPath, std::ostream& errors, const ScreenPictures* screens) {
    const ClipMap clips = ReadBackClips(errors);
    const ScreenPictures::Screen* game = screens ? screens->Game() : nullptr;

    // The top row: the game window, the real one when there are screens, and the intro.
    const double rowTop = kMargin + 24 + (game ? kScreenLabelHeight : 0);
    double top = rowTop + std::max(kGameWindowHeight, game ? game->height : 0) + kMargin;
    // The dialogs next, on shelves of their own.
    std::vector<const ScreenPictures::Screen*> dialogs;
    Shelves dialogShelves;
    if (game) {
        dialogs = screens->Dialogs();
        std::vector<Size> sizes;
        for (const ScreenPictures::Screen* dialog : dialogs) sizes.push_back({dialog->width, dialog->height});
        dialogShelves = PackShelves(sizes, kMargin, static_cast<int>(top), kSheetWidth - kMargin, kMargin,
                                    kScreenLabelHeight);
        top = dialogShelves.bottom + kMargin;
    }

    // First pass: positions and the sheet's height. Each clip is a block of a heading over
    // its frames, wrapped to the sheet's width; blocks are packed on shelves left to right.
    const double usable = kSheetWidth - 2 * kMargin;
    double shelfX = kMargin, shelfY = top, shelfHeight = 0;
    std::vector<Placement> placements;
    std::vector<std::pair<std::string, std::pair<double, double>>> headings;
    for (const Asset& asset : Catalogue()) {
        auto it = clips.find(asset.path);
        if (it == clips.end()) continue;
        const scene::TClipData& clip = it->second;
        int width = 0, height = 0;
        for (const scene::TClipImage& image : clip.images) {
            width = std::max(width, image.width);
            height = std::max(height, std::abs(image.height));
        }
        const double scale = std::max(width, height) <= 40 ? 2 : 1;
        const double cellWidth = std::max(width * scale, 30.0) + 8;
        const double cellHeight = height * scale + kLabelHeight + 6;
        const size_t perRow = std::max<size_t>(1, static_cast<size_t>(usable / cellWidth));
        const size_t columns = std::min(perRow, clip.frames.size());
        const size_t rows = (clip.frames.size() + columns - 1) / columns;
        const double blockWidth = std::max(static_cast<double>(columns) * cellWidth, 290.0) + 12;
        const double blockHeight = 18 + static_cast<double>(rows) * cellHeight + 8;
        if (shelfX + blockWidth > kSheetWidth - kMargin) {
            shelfX = kMargin;
            shelfY += shelfHeight;
            shelfHeight = 0;
        }
        headings.push_back({asset.path, {shelfX, shelfY}});
        for (size_t frame = 0; frame < clip.frames.size(); ++frame) {
            placements.push_back({asset.path, frame, shelfX + static_cast<double>(frame % columns) * cellWidth,
                                  shelfY + 18 + static_cast<double>(frame / columns) * cellHeight, scale});
        }
        shelfX += blockWidth;
        shelfHeight = std::max(shelfHeight, blockHeight);
    }
    const double y = shelfY + shelfHeight;
    const int sheetHeight = static_cast<int>(y + kMargin);

    CairoCanvas canvas(kSheetWidth, sheetHeight);
    cairo_t* cr = canvas.Context();
    SetColour(cr, palette::kBackground);
    cairo_paint(cr);
    if (game) {
        Label(cr,
              "Hoopstack assets: the game window and its dialogs as the program draws them, the intro "
              "(mock-up, parted and met), then every frame of every clip",
              kMargin, kMargin + 12, 15, true);
        PaintScreen(cr, *game, kMargin, rowTop);
        for (size_t i = 0; i < dialogs.size(); ++i) {
            const Box& box = dialogShelves.boxes[i];
            PaintScreen(cr, *dialogs[i], box.x, box.y);
        }
        Label(cr, "intro, mock-up: parted", kMargin * 2 + kGameWindowWidth, rowTop - 5, 12, true);
        Label(cr, "intro, mock-up: met", kMargin * 3 + kGameWindowWidth + 400, rowTop - 5, 12, true);
    } else {
        Label(cr, "Hoopstack assets: game window, intro (parted and met), then every frame of every clip",
              kMargin, kMargin + 12, 15, true);
        PaintGameMockup(canvas, clips, kMargin, rowTop);
        cairo_rectangle(cr, kMargin - 0.5, rowTop - 0.5, kGameWindowWidth + 1, kGameWindowHeight + 1);
    }
    PaintIntroMockup(canvas, clips, kMargin + kGameWindowWidth + kMargin, rowTop);
    cairo_rectangle(cr, kMargin * 2 + kGameWindowWidth - 0.5, rowTop - 0.5, 401, 401);
    cairo_rectangle(cr, kMargin * 3 + kGameWindowWidth + 400 - 0.5, rowTop - 0.5, 401, 401);
    SetColour(cr, palette::kSeam, 0.5);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    for (const auto& [path, corner] : headings) {
        const scene::TClipData& clip = clips.at(path);
        const scene::TClipImage& first = clip.images.front();
        std::ostringstream text;
        text << path << "   " << clip.frames.size() << (clip.frames.size() == 1 ? " frame" : " frames")
             << ", " << clip.frameRate << " fps, " << first.width << " x " << std::abs(first.height);
        Label(cr, text.str(), corner.first, corner.second + 12, 12, true);
    }
    for (const Placement& placement : placements) {
        const scene::TClipData& clip = clips.at(placement.path);
        const Picture picture = FramePicture(clip, placement.frame);
        canvas.Paint(picture, placement.x, placement.y, placement.scale);
        std::ostringstream text;
        text << placement.frame;
        const std::vector<int32_t>& commands = clip.frames[placement.frame].commands;
        if (!commands.empty()) {
            text << " [";
            for (size_t i = 0; i < commands.size(); ++i) text << (i ? " " : "") << commands[i];
            text << "]";
        }
        Label(cr, text.str(), placement.x, placement.y + picture.height * placement.scale + 11, 10);
    }
    if (!canvas.WritePng(pngPath.c_str())) {
        errors << "hoopstack-assetgen: could not write " << pngPath << "\n";
        return false;
    }
    return true;
}

} // namespace assetgen
