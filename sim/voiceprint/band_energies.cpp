#include "band_energies.h"

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace qevsim::vprb {
namespace {

// In place, radix 2, n a power of two.
void fft(std::complex<float>* values, std::uint32_t n)
{
    for (std::uint32_t i = 1, j = 0; i < n; ++i) {
        std::uint32_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(values[i], values[j]);
        }
    }
    for (std::uint32_t length = 2; length <= n; length <<= 1) {
        const float angle = -2.0f * std::numbers::pi_v<float> / static_cast<float>(length);
        const std::complex<float> step(std::cos(angle), std::sin(angle));
        for (std::uint32_t start = 0; start < n; start += length) {
            std::complex<float> twiddle(1.0f, 0.0f);
            for (std::uint32_t k = 0; k < length / 2; ++k) {
                const std::complex<float> odd = values[start + k + length / 2] * twiddle;
                values[start + k + length / 2] = values[start + k] - odd;
                values[start + k] += odd;
                twiddle *= step;
            }
        }
    }
}

}  // namespace

std::uint32_t frameLength(std::uint32_t bands)
{
    std::uint32_t frame = 512;
    while (frame < 4 * bands) {
        frame <<= 1;
    }
    return frame;
}

void bandEnergies(const float* samples, std::size_t count, std::uint32_t frame, std::complex<float>* work,
                  float* energies, std::uint32_t bands)
{
    std::vector<double> sums(bands, 0.0);
    const std::uint32_t bins = frame / 2;
    std::size_t frames = 0;
    for (std::size_t start = 0; start + frame <= count; start += frame, ++frames) {
        for (std::uint32_t i = 0; i < frame; ++i) {
            work[i] = std::complex<float>(samples[start + i], 0.0f);
        }
        fft(work, frame);
        for (std::uint32_t bin = 0; bin < bins; ++bin) {
            sums[std::size_t{bin} * bands / bins] += std::norm(work[bin]);
        }
    }
    for (std::uint32_t band = 0; band < bands; ++band) {
        const double mean = frames == 0 ? 0.0 : sums[band] / static_cast<double>(frames);
        energies[band] = static_cast<float>(std::log10(mean + 1e-12));
    }
}

}  // namespace qevsim::vprb
