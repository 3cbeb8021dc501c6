#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What clients of the product (qevctl enroll) use of the enrollment pipeline; it includes nothing
// of the product, so it sits on the floor of the layer table.
namespace qev::vpnr {

// A new enrollment file for a recording (16 kHz mono 32-bit float samples, at most 15 s), made by
// the voice-print library found the way the server finds it. Nothing, with the reason in `error`,
// when the library or the enrollment fails.
std::optional<std::vector<std::uint8_t>> make_enrollment_file(std::span<const std::uint8_t> recording,
                                                              std::string& error);

}  // namespace qev::vpnr
