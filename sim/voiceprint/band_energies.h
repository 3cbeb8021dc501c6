#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>

namespace qevsim::vprb {

// The frame length for `bands` bands: a power of two with at least two bins per band, 512 or more.
std::uint32_t frameLength(std::uint32_t bands);

// The stand-in's voice print: the mean power spectrum of the signal's frames of `frame` samples
// (a power of two), summed into `bands` equal bands of 0 to 8 kHz and taken as log10. `work`
// holds `frame` values.
void bandEnergies(const float* samples, std::size_t count, std::uint32_t frame, std::complex<float>* work,
                  float* energies, std::uint32_t bands);

}  // namespace qevsim::vprb
