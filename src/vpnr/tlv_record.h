#pragma once

#include <cstdint>
#include <vector>

namespace qev::vpnr {

// One record of an enrollment file: u32 type, u32 length, then the value (little-endian).
struct TlvRecord {
    std::uint32_t type;
    std::vector<std::uint8_t> value;
};

}  // namespace qev::vpnr
