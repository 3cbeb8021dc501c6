#include "speech_like_recording.h"

#include <cmath>
#include <cstring>
#include <random>

namespace qev::bench {

namespace {

constexpr double kRate = 16000.0;
constexpr double kTwoPi = 6.283185307179586;

// 0 in pauses, a smooth rise and fall over each syllable (about four a second).
double syllable_envelope(double t)
{
    const double phase = std::fmod(t * 4.0, 1.0);
    const bool pause = std::fmod(t, 3.0) > 2.4;
    return pause || phase > 0.7 ? 0.0 : std::sin(phase / 0.7 * kTwoPi / 2.0);
}

}  // namespace

std::vector<std::uint8_t> speech_like_recording(std::size_t seconds)
{
    const std::size_t samples = seconds * static_cast<std::size_t>(kRate);
    std::vector<std::uint8_t> bytes(samples * sizeof(float));
    std::mt19937 generator(2024);
    std::normal_distribution<double> noise(0.0, 0.004);
    double phase = 0.0;
    for (std::size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double pitch = 140.0 + 40.0 * std::sin(kTwoPi * 0.7 * t);
        phase += kTwoPi * pitch / kRate;
        double voiced = 0.0;
        for (int harmonic = 1; harmonic <= 6; ++harmonic) {
            voiced += std::sin(phase * harmonic) / harmonic;
        }
        const auto sample = static_cast<float>(0.3 * syllable_envelope(t) * voiced + noise(generator));
        std::memcpy(&bytes[i * sizeof(float)], &sample, sizeof(float));
    }
    return bytes;
}

}  // namespace qev::bench
