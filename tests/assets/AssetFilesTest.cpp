#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "AssetCatalogue.hpp"
#include "AssetTestSupport.hpp"
#include "ButtonArt.hpp"
#include "Picture.hpp"
#include "scene/OClip.hpp"

namespace assetgen {
namespace {

using testing::AssetPath;
using testing::ClipSize;
using testing::LoadClip;

// Written out here rather than taken from the generator, so that a file dropped from the
// generator fails the test.
const std::vector<std::string> kExpectedClips = {"SKINS/1.clp",
                                                 "SKINS/2.clp",
                                                 "SKINS/3.clp",
                                                 "SKINS/4.clp",
                                                 "SKINS/5.clp",
                                                 "SKINS/6.clp",
                                                 "SKINS/7.clp",
                                                 "SKINS/chck.clp",
                                                 "SKINS/point.clp",
                                                 "SKINS/keycell.clp",
                                                 "SKINS/aim.clp",
                                                 "SKINS/pause.clp",
                                                 "SKINS/z.clp",
                                                 "SKINS/num.clp",
                                                 "SKINS/scbox.clp",
                                                 "SKINS/brdup.clp",
                                                 "SKINS/brddn.clp",
                                                 "SKINS/brdlf.clp",
                                                 "SKINS/brdrt.clp",
                                                 "SKINS/numn.clp",
                                                 "SKINS/fsbrd.clp",
                                                 "CLP/btNew.clp",
                                                 "CLP/btScores.clp",
                                                 "CLP/btOptions.clp",
                                                 "CLP/btGames.clp",
                                                 "CLP/btDaily.clp",
                                                 "CLP/btStats.clp",
                                                 "CLP/btKind.clp",
                                                 "CLP/bthelp.clp",
                                                 "CLP/btdown.clp",
                                                 "CLP/btclose.clp",
                                                 "CLP/def_btn.clp",
                                                 "CLP/def_edit.clp",
                                                 "CLP/edit.clp",
                                                 "CLP/def_cbox.clp",
                                                 "CLP/chk1.clp",
                                                 "CLP/chk2.clp",
                                                 "CLP/cmb1.clp",
                                                 "CLP/cmb2.clp",
                                                 "CLP/boxlg.clp",
                                                 "CLP/boxsm.clp",
                                                 "CLP/top.clp",
                                                 "CLP/bar.clp",
                                                 "CLP/options.clp",
                                                 "CLP/ExitPic.clp",
                                                 "CLP/Logo1.clp",
                                                 "CLP/Logo2.clp",
                                                 "CLP/Logo3.clp",
                                                 "CLP/btReplay.clp",
                                                 "CLP/btFaster.clp",
                                                 "icons/hoopstack-window.clp"};
const std::vector<std::string> kExpectedOthers = {"WAV/start.wav",
                                                  "WAV/del.wav",
                                                  "WAV/buh.wav",
                                                  "WAV/over.wav",
                                                  "WAV/congr.wav",
                                                  "icons/hoopstack-16.png",
                                                  "icons/hoopstack-22.png",
                                                  "icons/hoopstack-24.png",
                                                  "icons/hoopstack-32.png",
                                                  "icons/hoopstack-48.png",
                                                  "icons/hoopstack-64.png",
                                                  "icons/hoopstack-128.png",
                                                  "icons/hoopstack-256.png",
                                                  "icons/hoopstack.svg"};

size_t FrameCount(const std::string& path) {
    const auto clip = LoadClip(path);
    return clip ? clip->frames.size() : 0;
}

Picture FrameImage(const scene::TClipData& clip, size_t frame) {
    return FromClipImage(clip.images.at(static_cast<size_t>(clip.frames.at(frame).image)));
}

bool Transparent(const Picture& picture, int x, int y) {
    return picture.At(x, y) >> 24 == 0;
}

double Grey(uint32_t pixel) {
    return 0.299 * ((pixel >> 16) & 0xFF) + 0.587 * ((pixel >> 8) & 0xFF) + 0.114 * (pixel & 0xFF);
}

TEST(AssetFiles, TheBuildWritesExactlyTheGamesFiles) {
    std::set<std::string> expected(kExpectedClips.begin(), kExpectedClips.end());
    expected.insert(kExpectedOthers.begin(), kExpectedOthers.end());
    std::set<std::string> listed;
    for (const Asset& asset : Catalogue()) listed.insert(asset.path);
    EXPECT_EQ(listed, expected);
    for (const std::string& path : expected) {
        EXPECT_TRUE(std::filesystem::is_regular_file(AssetPath(path))) << path;
    }
}

TEST(AssetFiles, EveryPictureWithWordsHasOneInEachLanguage) {
    std::set<std::string> worded;
    for (const Asset& asset : Catalogue())
        if (asset.worded) worded.insert(asset.path);
    EXPECT_EQ(worded, (std::set<std::string>{"CLP/btNew.clp", "CLP/btOptions.clp", "CLP/btGames.clp",
                                             "CLP/btDaily.clp", "CLP/btStats.clp", "CLP/top.clp",
                                             "CLP/options.clp", "CLP/ExitPic.clp", "SKINS/scbox.clp"}));
    EXPECT_EQ(TranslatedPath("CLP/btNew.clp", "pt_BR"), "CLP/pt_BR/btNew.clp");
    // The build draws them for every language, each as large as the English one and drawn apart.
    for (const char* language : {"de", "fr", "es", "it", "pt_BR", "nl"})
        for (const std::string& path : worded) {
            const std::string translated = TranslatedPath(path, language);
            const std::optional<scene::TClipData> english = LoadClip(path);
            const std::optional<scene::TClipData> own = LoadClip(translated);
            ASSERT_TRUE(english && own) << translated;
            EXPECT_EQ(ClipSize(translated).width, ClipSize(path).width) << translated;
            EXPECT_EQ(ClipSize(translated).height, ClipSize(path).height) << translated;
            EXPECT_EQ(own->images.size(), english->images.size()) << translated;
        }
    // A language without a catalogue writes nothing.
    std::ostringstream errors;
    EXPECT_FALSE(GenerateLanguage(::testing::TempDir(), "xx", AssetPath("locale"), errors));
    EXPECT_NE(errors.str().find("no catalogue"), std::string::npos);
}

TEST(AssetFiles, TheBuildsListAndTheGeneratorsCatalogueAgree) {
    std::set<std::string> expected(kExpectedClips.begin(), kExpectedClips.end());
    expected.insert(kExpectedOthers.begin(), kExpectedOthers.end());
    const std::vector<std::string> listed = ListedFiles();
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), expected);
    EXPECT_EQ(listed.size(), expected.size()) << "a file is listed twice";
    EXPECT_TRUE(CatalogueMismatches(Catalogue(), listed).empty());
}

// A dialog whose picture is missing quietly shows a text instead, so a name the program reads
// that the generator does not write would go unnoticed: every quoted name in the program's
// header of asset names must be a listed file, read from the header's source text.
TEST(AssetFiles, EveryNameTheProgramReadsIsGenerated) {
    std::ifstream header(HOOPSTACK_ASSET_NAMES);
    ASSERT_TRUE(header) << HOOPSTACK_ASSET_NAMES;
    const std::string text((std::istreambuf_iterator<char>(header)), std::istreambuf_iterator<char>());
    const std::vector<std::string> listed = ListedFiles();
    const std::set<std::string> generated(listed.begin(), listed.end());
    std::set<std::string> names;
    for (std::size_t open = text.find('"'); open != std::string::npos; open = text.find('"', open)) {
        const std::size_t close = text.find('"', open + 1);
        ASSERT_NE(close, std::string::npos);
        std::string name = text.substr(open + 1, close - open - 1);
        for (std::size_t slash = name.find("\\\\"); slash != std::string::npos; slash = name.find("\\\\"))
            name.replace(slash, 2, "/");
        EXPECT_TRUE(generated.count(name)) << name << " is read but not generated";
        names.insert(name);
        open = close + 1;
    }
    // And the program reads every generated file but the desktop icons, which the package installs.
    for (const std::string& path : listed) {
        const bool desktopIcon = path.ends_with(".png") || path.ends_with(".svg");
        EXPECT_EQ(names.count(path) == 1, !desktopIcon) << path;
    }
}

TEST(AssetFiles, AMismatchBetweenListAndCatalogueNamesEachSide) {
    const auto none = [] { return std::vector<uint8_t>{1}; };
    const std::vector<Asset> catalogue = {{"CLP/a.clp", AssetKind::Clip, none}, {"CLP/b.clp", AssetKind::Clip, none}};
    const std::vector<std::string> mismatches = CatalogueMismatches(catalogue, {"CLP/b.clp", "WAV/c.wav"});
    EXPECT_EQ(mismatches,
              (std::vector<std::string>{"missing from the list: CLP/a.clp", "listed but not made: WAV/c.wav"}));
    EXPECT_TRUE(CatalogueMismatches(catalogue, {"CLP/b.clp", "CLP/a.clp"}).empty());
}

TEST(AssetFiles, EveryClipLoadsWithTheReaderAndIntoAClip) {
    for (const std::string& path : kExpectedClips) {
        const auto clip = LoadClip(path);
        ASSERT_TRUE(clip) << path;
        EXPECT_FALSE(clip->frames.empty()) << path;
        auto* object = new scene::OClip;
        EXPECT_TRUE(object->LoadFile(AssetPath(path))) << path;
        EXPECT_EQ(object->FrameCount(), static_cast<int>(clip->frames.size())) << path;
        EXPECT_GT(object->Width(), 0) << path;
        scene::OGraph::Release(object);
        // Frames of one clip share one size, so the game's buttons do not jump between states.
        for (const scene::TClipImage& image : clip->images) {
            EXPECT_EQ(image.width, clip->images[0].width) << path;
            EXPECT_EQ(image.height, clip->images[0].height) << path;
        }
        // No clip removes itself: every picture of the game is meant to stay.
        for (const scene::TClipFrame& frame : clip->frames) {
            EXPECT_EQ(std::count(frame.commands.begin(), frame.commands.end(), scene::OClip::kCommandRemove),
                      0)
                << path;
        }
    }
}

TEST(AssetFiles, BallsSpinTransparentOutsideTheirCircle) {
    for (int colour = 1; colour <= 7; ++colour) {
        const std::string path = "SKINS/" + std::to_string(colour) + ".clp";
        const auto clip = LoadClip(path);
        ASSERT_TRUE(clip) << path;
        EXPECT_EQ(clip->frames.size(), 24u) << path;
        EXPECT_EQ(clip->frameRate, 24.0f) << path;
        EXPECT_EQ(ClipSize(path), (Size{34, 33})) << path;
        for (size_t i = 0; i < clip->frames.size(); ++i) {
            EXPECT_TRUE(clip->frames[i].commands.empty()) << path;
            const Picture frame = FrameImage(*clip, i);
            EXPECT_TRUE(Transparent(frame, 0, 0) && Transparent(frame, 33, 0) && Transparent(frame, 0, 32) &&
                        Transparent(frame, 33, 32))
                << path << " frame " << i;
            EXPECT_FALSE(Transparent(frame, 17, 16)) << path;
            if (i > 0) {
                EXPECT_NE(frame.argb, FrameImage(*clip, i - 1).argb) << path << " frame " << i;
            }
        }
    }
}

TEST(AssetFiles, BallsDifferInBrightnessPatternNotOnlyInHue) {
    // Seen without colour (as a grey picture), every two balls still differ clearly: the
    // symbols carry the difference for players who cannot tell the hues apart.
    std::vector<std::vector<double>> greys;
    for (int colour = 1; colour <= 7; ++colour) {
        const auto clip = LoadClip("SKINS/" + std::to_string(colour) + ".clp");
        ASSERT_TRUE(clip);
        const Picture frame = FrameImage(*clip, 0);
        std::vector<double> grey;
        for (uint32_t pixel : frame.argb) grey.push_back(Grey(pixel));
        // Remove the overall brightness, so that only the pattern is compared.
        double mean = 0;
        for (double g : grey) mean += g / static_cast<double>(grey.size());
        for (double& g : grey) g -= mean;
        greys.push_back(grey);
    }
    for (size_t a = 0; a < greys.size(); ++a) {
        for (size_t b = a + 1; b < greys.size(); ++b) {
            double difference = 0;
            for (size_t i = 0; i < greys[a].size(); ++i) difference += std::abs(greys[a][i] - greys[b][i]);
            EXPECT_GT(difference / static_cast<double>(greys[a].size()), 6.0) << "balls " << a + 1 << " and " << b + 1;
        }
    }
}

TEST(AssetFiles, ScoreDigitsStopOnEachDigitAndRollBetween) {
    // The wide drums of short scores and the narrow ones of long scores roll alike.
    for (const char* file : {"SKINS/num.clp", "SKINS/numn.clp"}) {
        SCOPED_TRACE(file);
        const auto clip = LoadClip(file);
        ASSERT_TRUE(clip);
        ASSERT_EQ(clip->frames.size(), 50u);
        // A roll of four frames lasts between a tenth and half a second.
        EXPECT_GE(clip->frameRate, 8.0f);
        EXPECT_LE(clip->frameRate, 40.0f);
        for (size_t i = 0; i < 50; ++i) {
            const std::vector<int32_t> stop = {scene::OClip::kCommandStop};
            EXPECT_EQ(clip->frames[i].commands, i % 5 == 0 ? stop : std::vector<int32_t>{}) << i;
        }
        // The ten digit frames are all different, and every rolling frame differs from both of its
        // ends; the roll from 9 leads back to the picture of 0.
        for (int d = 0; d < 10; ++d) {
            const Picture digit = FrameImage(*clip, 5 * d);
            const Picture next = FrameImage(*clip, (5 * d + 5) % 50);
            EXPECT_NE(digit.argb, next.argb) << d;
            for (int k = 1; k < 5; ++k) {
                const Picture rolling = FrameImage(*clip, 5 * d + k);
                EXPECT_NE(rolling.argb, digit.argb) << d << "+" << k;
                EXPECT_NE(rolling.argb, next.argb) << d << "+" << k;
            }
        }
    }
}

TEST(AssetFiles, ColumnMarkerIsQuietOnFrameZeroAndLoopsFromFrameOne) {
    const auto clip = LoadClip("SKINS/z.clp");
    ASSERT_TRUE(clip);
    ASSERT_GE(clip->frames.size(), 3u);
    EXPECT_GT(clip->frameRate, 0.0f);
    EXPECT_TRUE(clip->frames.front().commands.empty());
    EXPECT_EQ(clip->frames.back().commands, (std::vector<int32_t>{scene::OClip::kCommandPlayFrom, 1}));
    for (size_t i = 1; i + 1 < clip->frames.size(); ++i) EXPECT_TRUE(clip->frames[i].commands.empty());
    const Picture quiet = FrameImage(*clip, 0);
    for (size_t i = 1; i < clip->frames.size(); ++i) EXPECT_NE(FrameImage(*clip, i).argb, quiet.argb);
    // About as wide as a ball.
    EXPECT_GE(ClipSize("SKINS/z.clp").width, 30);
    EXPECT_LE(ClipSize("SKINS/z.clp").width, 34);
}

TEST(AssetFiles, TopBorderLeavesTheWaitingBallsInView) {
    const auto clip = LoadClip("SKINS/brdup.clp");
    ASSERT_TRUE(clip);
    const Picture border = FrameImage(*clip, 0);
    // The waiting balls stand at x = 14 + 34·(c − 1), y = 5, 34 × 33 each; the border lies at
    // (0, 0) in front of them.
    for (int y = 5; y < std::min(border.height, 38); ++y) {
        for (int x = 14; x < std::min(border.width, 14 + 16 * 34); ++x) {
            ASSERT_TRUE(Transparent(border, x, y)) << "(" << x << ", " << y << ")";
        }
    }
}

TEST(AssetFiles, TheReplayButtonsHaveTheirStateFramesAndOneSizeEach) {
    // Pause, play, restart and slower, three states each, all of one square size.
    const auto squares = LoadClip("CLP/btReplay.clp");
    ASSERT_TRUE(squares);
    ASSERT_EQ(squares->frames.size(), 12u);
    const Picture first = FrameImage(*squares, 0);
    for (size_t i = 0; i < 12; ++i) {
        const Picture frame = FrameImage(*squares, i);
        EXPECT_EQ(frame.width, 40) << i;
        EXPECT_EQ(frame.height, 40) << i;
        // Each state differs from the next; each button's face differs from the others'.
        if (i % 3 != 0) {
            EXPECT_NE(frame.argb, FrameImage(*squares, i - 1).argb) << i;
        }
        if (i >= 3) {
            EXPECT_NE(frame.argb, FrameImage(*squares, i - 3).argb) << i;
        }
    }
    EXPECT_EQ(first.width, ClipSize("CLP/btScores.clp").width) << "as large as the panel's Top 10 button";
    const auto faster = LoadClip("CLP/btFaster.clp");
    ASSERT_TRUE(faster);
    ASSERT_EQ(faster->frames.size(), 3u);
    EXPECT_EQ(ClipSize("CLP/btFaster.clp"), (Size{80, 40}));
    EXPECT_NE(FrameImage(*faster, 0).argb, FrameImage(*faster, 1).argb);
    EXPECT_NE(FrameImage(*faster, 1).argb, FrameImage(*faster, 2).argb);
}

TEST(AssetFiles, ControlsHaveTheirStateFrames) {
    for (const char* path :
         {"CLP/btNew.clp", "CLP/btScores.clp", "CLP/btOptions.clp", "CLP/btGames.clp", "CLP/btDaily.clp",
          "CLP/btStats.clp", "CLP/btKind.clp", "CLP/bthelp.clp", "CLP/btdown.clp", "CLP/btclose.clp",
          "CLP/def_btn.clp", "CLP/def_edit.clp", "CLP/edit.clp"}) {
        const auto clip = LoadClip(path);
        ASSERT_TRUE(clip) << path;
        ASSERT_EQ(clip->frames.size(), 3u) << path;
        // Normal, hover and pressed look different from each other.
        EXPECT_NE(FrameImage(*clip, 0).argb, FrameImage(*clip, 1).argb) << path;
        EXPECT_NE(FrameImage(*clip, 1).argb, FrameImage(*clip, 2).argb) << path;
        EXPECT_NE(FrameImage(*clip, 0).argb, FrameImage(*clip, 2).argb) << path;
    }
    for (const char* path : {"CLP/chk1.clp", "CLP/chk2.clp", "CLP/cmb1.clp", "CLP/cmb2.clp"}) {
        const auto clip = LoadClip(path);
        ASSERT_TRUE(clip) << path;
        ASSERT_EQ(clip->frames.size(), 2u) << path;
        EXPECT_NE(FrameImage(*clip, 0).argb, FrameImage(*clip, 1).argb) << path;
    }
    // Checked and unchecked looks differ in both states.
    for (auto [off, on] : {std::pair{"CLP/chk1.clp", "CLP/chk2.clp"}, {"CLP/cmb1.clp", "CLP/cmb2.clp"}}) {
        for (size_t frame = 0; frame < 2; ++frame) {
            EXPECT_NE(FrameImage(*LoadClip(off), frame).argb, FrameImage(*LoadClip(on), frame).argb) << on;
        }
    }
    const auto box = LoadClip("CLP/def_cbox.clp");
    ASSERT_TRUE(box);
    ASSERT_EQ(box->frames.size(), 6u);
    for (size_t frame = 0; frame < 3; ++frame) {
        EXPECT_NE(FrameImage(*box, frame).argb, FrameImage(*box, frame + 3).argb) << frame;
    }
}

// The panel's daily and statistics buttons are made as its other buttons: the same size and
// leather as a neighbour, differing only where the label lies, and a label the size of theirs.
TEST(AssetFiles, TheDailyAndStatisticsButtonsMatchThePanelsOwn) {
    const struct {
        const char* path;
        const char* like;
        const char* label;
        const char* likeLabel;
    } pairs[] = {{"CLP/btDaily.clp", "CLP/btOptions.clp", "Daily", "Options"},
                 {"CLP/btStats.clp", "CLP/btGames.clp", "Statistics", "More Games"}};
    for (const auto& pair : pairs) {
        const auto clip = LoadClip(pair.path);
        const auto like = LoadClip(pair.like);
        ASSERT_TRUE(clip && like) << pair.path;
        ASSERT_EQ(ClipSize(pair.path), ClipSize(pair.like)) << pair.path;
        ASSERT_EQ(clip->frames.size(), like->frames.size()) << pair.path;
        for (size_t frame = 0; frame < clip->frames.size(); ++frame) {
            const Picture picture = FrameImage(*clip, frame);
            const Picture neighbour = FrameImage(*like, frame);
            EXPECT_NE(picture.argb, neighbour.argb) << pair.path << " frame " << frame;
            for (int y = 0; y < picture.height; ++y)
                for (int x : {0, 1, 2, 3, 4, picture.width - 5, picture.width - 4, picture.width - 3,
                              picture.width - 2, picture.width - 1})
                    ASSERT_EQ(picture.At(x, y), neighbour.At(x, y))
                        << pair.path << " frame " << frame << " (" << x << ", " << y << ")";
        }
        const Size size = ClipSize(pair.path);
        const double room = size.width - 18;
        const double largest = size.height * 0.48;
        EXPECT_GE(FitFontSize(pair.label, largest, 9, room),
                  FitFontSize(pair.likeLabel, largest, 9, room) - 1)
            << pair.label;
    }
}

TEST(AssetFiles, IntroTitleWaitsShinesOnceAndStops) {
    const auto title = LoadClip("CLP/Logo3.clp");
    ASSERT_TRUE(title);
    EXPECT_GT(title->frameRate, 0.0f);
    EXPECT_EQ(title->frames.back().commands, (std::vector<int32_t>{scene::OClip::kCommandStop}));
    EXPECT_EQ(title->frames.front().image, title->frames.back().image);
    for (size_t i = 0; i + 1 < title->frames.size(); ++i) EXPECT_TRUE(title->frames[i].commands.empty());
    for (const char* half : {"CLP/Logo1.clp", "CLP/Logo2.clp"}) {
        EXPECT_GE(FrameCount(half), 1u) << half;
    }
    // The halves are one emblem: equal widths, so that they meet edge to edge in the middle.
    EXPECT_EQ(ClipSize("CLP/Logo1.clp").width, ClipSize("CLP/Logo2.clp").width);
}

TEST(AssetFiles, IconsArePngFilesOfTheirNamedSize) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::vector<uint8_t> png =
            testing::ReadBytes(AssetPath("icons/hoopstack-" + std::to_string(size) + ".png"));
        ASSERT_GE(png.size(), 33u) << size;
        const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        EXPECT_TRUE(std::equal(signature, signature + 8, png.begin())) << size;
        auto be32 = [&png](size_t at) {
            return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 |
                   png[at + 3];
        };
        EXPECT_EQ(be32(16), static_cast<uint32_t>(size));
        EXPECT_EQ(be32(20), static_cast<uint32_t>(size));
    }
    EXPECT_EQ(ClipSize("icons/hoopstack-window.clp"), (Size{48, 48}));
}

// The scalable icon is drawn in vectors: a desktop scales it without blur only when cairo
// did not fall back to an embedded bitmap.
TEST(AssetFiles, ScalableIconIsAVectorSvgOfTheIconsSize) {
    const std::vector<uint8_t> bytes = testing::ReadBytes(AssetPath("icons/hoopstack.svg"));
    const std::string svg(bytes.begin(), bytes.end());
    ASSERT_EQ(svg.rfind("<?xml", 0), 0u);
    const size_t root = svg.find("<svg");
    ASSERT_NE(root, std::string::npos);
    const std::string head = svg.substr(root, svg.find('>', root) - root);
    EXPECT_NE(head.find("width=\"256px\""), std::string::npos) << head;
    EXPECT_NE(head.find("height=\"256px\""), std::string::npos) << head;
    EXPECT_NE(svg.find("<radialGradient"), std::string::npos);
    EXPECT_EQ(svg.find("<image"), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

} // namespace
} // namespace assetgen
