#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vpnr/cng_handles.h"

namespace qev::bench {

// The floor under sealing and opening: one zlib deflate of the whole buffer and one AES-128-CBC
// encryption of the result through CNG with a key object made once, and back.
class RawSealBaseline {
public:
    RawSealBaseline();
    RawSealBaseline(const RawSealBaseline&) = delete;
    RawSealBaseline& operator=(const RawSealBaseline&) = delete;

    bool ready() const { return key_.valid(); }
    std::vector<std::uint8_t> seal(std::span<const std::uint8_t> bytes) const;
    // original_size: what the sealed bytes inflate to (raw deflate does not record it).
    std::vector<std::uint8_t> open(std::span<const std::uint8_t> sealed, std::size_t original_size) const;

private:
    std::vector<std::uint8_t> crypt(bool encrypt, std::span<const std::uint8_t> input) const;

    vpnr::UniqueAlgorithmProvider aes_;
    vpnr::UniqueCngKey key_;
};

}  // namespace qev::bench
