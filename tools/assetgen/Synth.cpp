#include "Synth.hpp"

#include <algorithm>
#include <cmath>

#include "MathConstants.hpp"
#include "Noise.hpp"

namespace assetgen {

namespace {

constexpr double kRate = kSampleRate;

size_t Samples(double seconds) {
    return static_cast<size_t>(seconds * kRate);
}

// Chamberlin state-variable filter; Step returns the band-pass output.
class BandPass {
public:
    double Step(double input, double centre, double q) {
        const double f = 2 * std::sin(kPi * std::min(centre, kRate / 6) / kRate);
        m_low += f * m_band;
        const double high = input - m_low - m_band / q;
        m_band += f * high;
        return m_band;
    }

private:
    double m_low = 0;
    double m_band = 0;
};

double Envelope(double t, double attack, double decay) {
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / decay);
}

} // namespace

std::vector<int16_t> FinishSound(std::vector<double> signal, double peak) {
    double loudest = 0;
    for (double s : signal) loudest = std::max(loudest, std::abs(s));
    const double gain = loudest > 0 ? peak / loudest : 0;
    const size_t fade = std::min(Samples(kEdgeFade), signal.size() / 2);
    std::vector<int16_t> out(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        double s = signal[i] * gain;
        const size_t fromEnd = signal.size() - 1 - i;
        const size_t edge = std::min(i, fromEnd);
        if (edge < fade) s *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(edge) / static_cast<double>(fade));
        out[i] = static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 1.0) * 32767.0));
    }
    return out;
}

std::vector<double> ThrowSignal() {
    Noise noise(0x5EED0001u);
    BandPass air;
    const double length = 0.38;
    std::vector<double> out(Samples(length));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double u = t / length;
        // The swish rises in pitch and loudness as the arm swings through, then falls away.
        const double centre = 500 + 1700 * std::sin(kPi * std::min(u * 1.3, 1.0));
        const double level = std::pow(std::sin(kPi * u), 1.6);
        double s = air.Step(noise.Next(), centre, 2.2) * level;
        // The release: a soft low thump of the fingertips at the start.
        s += 0.5 * std::sin(2 * kPi * 95 * t) * Envelope(t, 0.003, 0.03);
        out[i] = s;
    }
    return out;
}

std::vector<double> BounceSignal() {
    Noise noise(0x5EED0002u);
    BandPass slap;
    const double length = 0.24;
    std::vector<double> out(Samples(length));
    double phaseLow = 0, phaseShell = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        // The air inside rings low and drops in pitch; the shell rings higher and shorter.
        const double low = 150 * std::exp(-t * 6) + 80;
        phaseLow += 2 * kPi * low / kRate;
        phaseShell += 2 * kPi * 430 / kRate;
        double s = std::sin(phaseLow) * Envelope(t, 0.002, 0.055);
        s += 0.35 * std::sin(phaseShell) * Envelope(t, 0.001, 0.02);
        s += 0.6 * slap.Step(noise.Next(), 1800, 1.2) * Envelope(t, 0.0005, 0.006);
        out[i] = s;
    }
    return out;
}

std::vector<double> PopSignal() {
    Noise noise(0x5EED0003u);
    BandPass fizz;
    const double length = 0.2;
    std::vector<double> out(Samples(length));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double pitch = 320 + 1300 * (1 - std::exp(-t / 0.035));
        phase += 2 * kPi * pitch / kRate;
        double s = (std::sin(phase) + 0.25 * std::sin(2 * phase)) * Envelope(t, 0.004, 0.045);
        s += 0.4 * fizz.Step(noise.Next(), 3000, 1.5) * Envelope(t, 0.001, 0.012);
        out[i] = s;
    }
    return out;
}

std::vector<double> TickSignal() {
    const double length = 0.05;
    std::vector<double> out(Samples(length));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        out[i] =
            (std::sin(2 * kPi * 2400 * t) + 0.4 * std::sin(2 * kPi * 3700 * t)) * Envelope(t, 0.001, 0.009);
    }
    return out;
}

std::vector<double> FanfareSignal() {
    struct Note {
        double start, length, frequency, level;
    };
    // Three quick steps up a major chord to a held chord an octave above the first note.
    const double c5 = 523.25, e5 = 659.25, g5 = 783.99, c6 = 1046.5;
    const Note notes[] = {
        {0.00, 0.16, c5, 0.8},  {0.15, 0.16, e5, 0.8}, {0.30, 0.16, g5, 0.8},  {0.45, 1.05, c6, 0.75},
        {0.45, 1.05, g5, 0.45}, {0.45, 1.05, e5, 0.4}, {0.45, 1.05, c5, 0.45},
    };
    const double length = 1.6;
    std::vector<double> out(Samples(length));
    for (const Note& note : notes) {
        const size_t first = Samples(note.start);
        const size_t count = Samples(note.length);
        for (size_t k = 0; k < count && first + k < out.size(); ++k) {
            const double t = static_cast<double>(k) / kRate;
            // Brass: a swelling attack, a slow vibrato once the note is held, and a brightness
            // that falls as the note settles.
            const double vibrato = 1 + 0.004 * std::sin(2 * kPi * 5.5 * t) * std::min(t / 0.3, 1.0);
            const double brightness = 0.45 + 0.4 * std::exp(-t / 0.15);
            double s = 0;
            double amplitude = 1;
            for (int harmonic = 1; harmonic <= 8; ++harmonic) {
                s += amplitude * std::sin(2 * kPi * note.frequency * harmonic * vibrato * t);
                amplitude *= brightness;
            }
            const double release = std::min(1.0, (note.length - t) / 0.06);
            const double level = std::min(t / 0.02, 1.0) * (0.75 + 0.25 * std::exp(-t / 0.1)) * release;
            out[first + k] += note.level * level * s;
        }
    }
    return out;
}

} // namespace assetgen
