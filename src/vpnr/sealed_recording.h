#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vpnr/crypter.h"
#include "vpnr/tlv_record.h"

namespace qev::vpnr {

// Record types of a sealed recording.
inline constexpr std::uint32_t kIvRecord = 4;
inline constexpr std::uint32_t kCipherRecord = 5;

// Compresses the recording, encrypts it under a fresh IV (kept in last_iv, replacing the one
// before) and returns the record list {4: IV}{5: ciphertext}. Empty on failure.
std::vector<std::uint8_t> seal_recording(const Crypter& crypter, std::span<const std::uint8_t> recording,
                                         std::vector<std::uint8_t>& last_iv);
// Decrypts the last type 5 value with the last type 4 value and decompresses it. Empty on failure.
std::vector<std::uint8_t> open_recording(const Crypter& crypter, const std::vector<TlvRecord>& sealed_records);

}  // namespace qev::vpnr
