#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "vpnr/crypter.h"

namespace qev::vpnr::test {

// A crypter set up as the enrollment manager sets it up.
inline void prepare(Crypter& crypter)
{
    crypter.open_provider();
    crypter.derive_key();
}

// size bytes of 32-bit float samples of a two-tone signal (compressible, not constant).
inline std::vector<std::uint8_t> tone(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const double t = static_cast<double>(i / 4) / 16000.0;
        const double angle = 2 * 3.14159265 * t;
        const auto sample = static_cast<float>(0.4 * std::sin(220 * angle) + 0.1 * std::sin(1250 * angle));
        std::memcpy(&bytes[i], &sample, 4);
    }
    return bytes;
}

}  // namespace qev::vpnr::test
