#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "AssetTestSupport.hpp"
#include "Synth.hpp"
#include "WavFile.hpp"

namespace assetgen {
namespace {

struct Expectation {
    const char* path;
    double shortest; // seconds
    double longest;
};

const Expectation kSounds[] = {{"WAV/start.wav", 0.1, 0.6},
                               {"WAV/del.wav", 0.05, 0.4},
                               {"WAV/buh.wav", 0.05, 0.4},
                               {"WAV/over.wav", 0.01, 0.15},
                               {"WAV/congr.wav", 1.0, 2.0}};

TEST(Sounds, EveryFileIsQuietAtItsEndsAndBelowFullScale) {
    for (const Expectation& expected : kSounds) {
        const auto sound = ParseWav(testing::ReadBytes(testing::AssetPath(expected.path)));
        ASSERT_TRUE(sound) << expected.path;
        EXPECT_EQ(sound->channels, 1) << expected.path;
        EXPECT_EQ(sound->bitsPerSample, 16) << expected.path;
        EXPECT_TRUE(sound->sampleRate == 22050 || sound->sampleRate == 44100) << expected.path;
        const double seconds = double(sound->samples.size()) / sound->sampleRate;
        EXPECT_GE(seconds, expected.shortest) << expected.path;
        EXPECT_LE(seconds, expected.longest) << expected.path;

        int peak = 0;
        double sum = 0;
        for (int16_t s : sound->samples) {
            peak = std::max(peak, std::abs(int{s}));
            sum += s;
        }
        EXPECT_LT(peak, 32767 * 0.9) << expected.path;
        EXPECT_GT(peak, 32767 * 0.3) << expected.path; // audible
        // No offset that would click at start and stop.
        EXPECT_LT(std::abs(sum / static_cast<double>(sound->samples.size())), 32767 * 0.02) << expected.path;
        // Starts and ends in silence, rising and falling smoothly: the first and last millisecond
        // stay far below the peak.
        EXPECT_EQ(sound->samples.front(), 0) << expected.path;
        EXPECT_EQ(sound->samples.back(), 0) << expected.path;
        const size_t edge = static_cast<size_t>(sound->sampleRate / 1000);
        for (size_t i = 0; i < edge; ++i) {
            EXPECT_LT(std::abs(int{sound->samples[i]}), peak / 4) << expected.path << " at " << i;
            EXPECT_LT(std::abs(int{sound->samples[sound->samples.size() - 1 - i]}), peak / 4)
                << expected.path << " at end − " << i;
        }
    }
}

TEST(Sounds, FinishingScalesToThePeakAndFadesTheEnds) {
    std::vector<double> square(2000);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 3.0 : -3.0;
    const std::vector<int16_t> done = FinishSound(square, 0.5);
    ASSERT_EQ(done.size(), square.size());
    int peak = 0;
    for (int16_t s : done) peak = std::max(peak, std::abs(int{s}));
    EXPECT_EQ(peak, 16384);
    EXPECT_EQ(done.front(), 0);
    EXPECT_EQ(done.back(), 0);
    // The fade rises steadily over its length.
    const size_t fade = static_cast<size_t>(kEdgeFade * kSampleRate);
    for (size_t i = 1; i < fade; ++i) EXPECT_GE(std::abs(int{done[i]}), std::abs(int{done[i - 1]}));
    EXPECT_TRUE(FinishSound({}, 0.5).empty());
    const std::vector<int16_t> silent = FinishSound(std::vector<double>(10, 0.0), 0.5);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t s) { return s == 0; }));
}

TEST(Sounds, WaveFilesRoundTripAndTruncationsAreRefused) {
    const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234};
    const std::vector<uint8_t> bytes = EncodeWav(samples, 22050);
    EXPECT_EQ(bytes.size(), 44u + 2 * samples.size());
    const auto sound = ParseWav(bytes);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->sampleRate, 22050);
    EXPECT_EQ(sound->samples, samples);
    for (size_t cut : {size_t{0}, size_t{11}, size_t{30}, size_t{43}, bytes.size() - 1}) {
        EXPECT_FALSE(ParseWav(std::span(bytes.data(), cut))) << cut;
    }
    std::vector<uint8_t> eightBit = bytes;
    eightBit[34] = 8;
    EXPECT_FALSE(ParseWav(eightBit));
}

} // namespace
} // namespace assetgen
