// The program's windows read back for the contact sheet, and their place on it.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

#include "ContactSheet.hpp"
#include "Layout.hpp"
#include "ScreenPictures.hpp"

namespace assetgen {
namespace {

namespace fs = std::filesystem;

class ScreenFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("hoopstack-screen-pictures-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    // Every screen as a window of one colour each, none the sheet uses elsewhere: red 1 to
    // 8, green 2, blue 3, each `width + 10 * index` wide.
    void WriteScreens(int width, int height) {
        int index = 0;
        for (const std::string& file : ScreenPictures::Files()) {
            ++index;
            cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width + 10 * index, height);
            cairo_t* cr = cairo_create(surface);
            cairo_set_source_rgb(cr, index / 255.0, 2 / 255.0, 3 / 255.0);
            cairo_paint(cr);
            cairo_destroy(cr);
            ASSERT_EQ(cairo_surface_write_to_png(surface, (folder / file).c_str()), CAIRO_STATUS_SUCCESS);
            cairo_surface_destroy(surface);
        }
    }

    fs::path folder;
};

TEST_F(ScreenFolder, EveryScreenIsReadWithItsSizeAndTheDialogsFollowTheGameWindow) {
    WriteScreens(40, 30);
    ScreenPictures screens;
    std::ostringstream errors;
    ASSERT_TRUE(screens.Load(folder.string(), errors)) << errors.str();
    EXPECT_EQ(errors.str(), "");
    ASSERT_NE(screens.Game(), nullptr);
    EXPECT_EQ(screens.Game()->file, "game.png");
    EXPECT_EQ(screens.Game()->width, 50);
    EXPECT_EQ(screens.Game()->height, 30);
    EXPECT_NE(screens.Game()->label.find("game.png, 50 x 30"), std::string::npos) << screens.Game()->label;
    const std::vector<const ScreenPictures::Screen*> dialogs = screens.Dialogs();
    ASSERT_EQ(dialogs.size(), ScreenPictures::Files().size() - 1);
    for (std::size_t i = 0; i < dialogs.size(); ++i) {
        EXPECT_EQ(dialogs[i]->file, ScreenPictures::Files()[i + 1]);
        EXPECT_EQ(dialogs[i]->width, 40 + 10 * int(i + 2));
    }
    EXPECT_EQ(ScreenPictures::Files(),
              (std::vector<std::string>{"game.png", "rules.png", "quit.png", "level.png", "options.png",
                                        "scores.png", "scores-clear.png", "result.png"}));
}

TEST_F(ScreenFolder, AMissingOrBrokenScreenFailsWithOneLineNamingIt) {
    WriteScreens(20, 20);
    fs::remove(folder / "level.png");
    ScreenPictures screens;
    std::ostringstream errors;
    EXPECT_FALSE(screens.Load(folder.string(), errors));
    EXPECT_EQ(screens.Game(), nullptr);
    const std::string message = errors.str();
    EXPECT_NE(message.find("level.png"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;

    std::ofstream(folder / "level.png") << "not a picture";
    std::ostringstream again;
    EXPECT_FALSE(screens.Load(folder.string(), again));
    EXPECT_NE(again.str().find("level.png"), std::string::npos) << again.str();
}

TEST_F(ScreenFolder, TheSheetShowsEveryScreenWholeAtOneToOne) {
    WriteScreens(200, 150);
    ScreenPictures screens;
    std::ostringstream errors;
    ASSERT_TRUE(screens.Load(folder.string(), errors)) << errors.str();
    const fs::path sheet = folder / "sheet.png";
    ASSERT_TRUE(WriteContactSheet(sheet.string(), errors, &screens)) << errors.str();

    cairo_surface_t* read = cairo_image_surface_create_from_png(sheet.c_str());
    ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
    const int width = cairo_image_surface_get_width(read);
    const int height = cairo_image_surface_get_height(read);
    const int stride = cairo_image_surface_get_stride(read);
    const unsigned char* data = cairo_image_surface_get_data(read);
    std::map<std::uint32_t, int> counts;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, data + std::size_t(y) * stride + std::size_t(x) * 4, 4);
            ++counts[pixel & 0xFFFFFF];
        }
    cairo_surface_destroy(read);
    // Each screen's colour covers exactly its own pixels: nothing scaled, cut or covered.
    for (std::size_t i = 0; i < ScreenPictures::Files().size(); ++i) {
        const std::uint32_t colour = (std::uint32_t(i + 1) << 16) | (2u << 8) | 3u;
        EXPECT_EQ(counts[colour], (200 + 10 * int(i + 1)) * 150) << ScreenPictures::Files()[i];
    }
}

TEST(Shelves, PicturesGoLeftToRightBelowTheirLabelsAndWrapBelowTheTallest) {
    const Shelves shelves = PackShelves({{100, 50}, {200, 80}, {150, 40}, {90, 30}}, 10, 20, 400, 5, 12);
    ASSERT_EQ(shelves.boxes.size(), 4u);
    EXPECT_EQ(shelves.boxes[0].x, 10);
    EXPECT_EQ(shelves.boxes[0].y, 32);
    EXPECT_EQ(shelves.boxes[1].x, 115);
    EXPECT_EQ(shelves.boxes[1].y, 32);
    EXPECT_EQ(shelves.boxes[1].width, 200);
    EXPECT_EQ(shelves.boxes[1].height, 80);
    // 320 + 150 passes 400: the next shelf starts below the 80-pixel picture and its label.
    EXPECT_EQ(shelves.boxes[2].x, 10);
    EXPECT_EQ(shelves.boxes[2].y, 20 + 12 + 80 + 5 + 12);
    EXPECT_EQ(shelves.boxes[3].x, 165);
    EXPECT_EQ(shelves.boxes[3].y, shelves.boxes[2].y);
    EXPECT_EQ(shelves.bottom, shelves.boxes[2].y + 40);
    EXPECT_FALSE(FirstOverlap(shelves.boxes));
}

TEST(Shelves, APictureWiderThanTheRoomHasAShelfOfItsOwn) {
    const Shelves shelves = PackShelves({{500, 10}, {20, 10}}, 0, 0, 300, 4, 0);
    ASSERT_EQ(shelves.boxes.size(), 2u);
    EXPECT_EQ(shelves.boxes[0].x, 0);
    EXPECT_EQ(shelves.boxes[0].y, 0);
    EXPECT_EQ(shelves.boxes[1].x, 0);
    EXPECT_EQ(shelves.boxes[1].y, 14);
    EXPECT_EQ(PackShelves({}, 3, 7, 100, 4, 10).bottom, 7);
}

TEST(Shelves, TheDialogsFitTheSheetOnTwoShelves) {
    // Rules, quit, level, options, Top 10, clear confirmation and result at their own sizes.
    const Shelves shelves = PackShelves(
        {{690, 500}, {300, 200}, {270, 150}, {260, 450}, {350, 530}, {330, 200}, {400, 300}}, 16, 0, 1584, 16, 18);
    for (const Box& box : shelves.boxes) EXPECT_LE(box.Right(), 1584) << box.name;
    EXPECT_EQ(shelves.boxes[3].y, shelves.boxes[0].y);
    EXPECT_GT(shelves.boxes[4].y, shelves.boxes[0].y);
    EXPECT_EQ(shelves.boxes[6].y, shelves.boxes[4].y);
}

} // namespace
} // namespace assetgen
