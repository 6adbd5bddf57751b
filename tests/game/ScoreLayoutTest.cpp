#include <gtest/gtest.h>

#include <limits>

#include "game/ScoreLayout.hpp"

using namespace game;

TEST(ScoreLayout, FivePlacesUntilTheValueNeedsMore) {
    EXPECT_EQ(ScorePlaces(0), 5);
    EXPECT_EQ(ScorePlaces(7), 5);
    EXPECT_EQ(ScorePlaces(99999), 5);
    EXPECT_EQ(ScorePlaces(100000), 6);
    EXPECT_EQ(ScorePlaces(123456), 6);
    EXPECT_EQ(ScorePlaces(999999), 6);
    EXPECT_EQ(ScorePlaces(1000000), 7);
    EXPECT_EQ(ScorePlaces(std::numeric_limits<int>::max()), kMostPlaces);
}

TEST(ScoreLayout, TheWideRowStandsWhereItAlwaysStood) {
    EXPECT_EQ(WideDigitLefts(561, 22), (std::vector<int>{596, 623, 650, 677, 704}));
}

TEST(ScoreLayout, NarrowDrumsStayInsideTheBoxWindowApartAndCentred) {
    // The box's window spans x 32 to 168 right of the court; the wide row's centre is at 100.
    for (int courtWidth : {561, 400}) {
        const std::vector<int> wide = WideDigitLefts(courtWidth, 22);
        const int wideCentre = (wide.front() + wide.back() + 22) / 2;
        for (int width : {12, 13}) {
            for (int places = kWidePlaces + 1; places <= kMostPlaces; ++places) {
                SCOPED_TRACE(::testing::Message() << courtWidth << " " << width << " " << places);
                const std::vector<int> lefts = NarrowDigitLefts(courtWidth, width, places);
                ASSERT_EQ(lefts.size(), std::size_t(places));
                EXPECT_GE(lefts.front(), courtWidth + 32);
                EXPECT_LE(lefts.back() + width, courtWidth + 168);
                for (std::size_t i = 1; i < lefts.size(); ++i) EXPECT_GE(lefts[i], lefts[i - 1] + width);
                EXPECT_LE(std::abs((lefts.front() + lefts.back() + width) / 2 - wideCentre), 1);
            }
        }
    }
}
