#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qev::vpnr {

// MSZIP through the Windows Compression API in buffer mode (default settings). An empty result
// means failure, after a logged message.
std::vector<std::uint8_t> compress(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> decompress(std::span<const std::uint8_t> bytes);

}  // namespace qev::vpnr
