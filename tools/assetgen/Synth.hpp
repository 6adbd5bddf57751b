#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

inline constexpr int kSampleRate = 22050;

// Loudest sample of a finished sound, as a fraction of full scale.
inline constexpr double kPeakLevel = 0.8;

// Length of the fades that start and end every sound, in seconds.
inline constexpr double kEdgeFade = 0.004;

// Scales a sound so that its loudest sample is `peak` of full scale, fades both ends in and
// out over kEdgeFade, and rounds to 16 bits. The first and last samples are 0.
std::vector<int16_t> FinishSound(std::vector<double> signal, double peak);

// The sounds of the game, as raw signals at kSampleRate.
std::vector<double> ThrowSignal();   // a swish of air with the release of the ball
std::vector<double> BounceSignal();  // the hollow knock of a ball on wood
std::vector<double> PopSignal();     // a rising pop as a matched ball goes
std::vector<double> TickSignal();    // a short, soft tick for a control under the mouse
std::vector<double> FanfareSignal(); // a bright fanfare of about a second and a half

} // namespace assetgen
