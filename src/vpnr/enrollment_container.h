#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vpnr/tlv_record.h"

namespace qev::vpnr {

// The enrollment file: the 12-byte header "vestaRion" FF FF FF, records back to back, and the
// 4-byte trailer FF FF FF FF. An empty result means failure.

// Records back to back; empty when a value is too long for its u32 length.
std::vector<std::uint8_t> build_record_list(const std::vector<TlvRecord>& records);
// Header + record list + trailer.
std::vector<std::uint8_t> build_container(const std::vector<TlvRecord>& records);
// The records of a byte range; empty when a record header or value runs past the end.
std::vector<TlvRecord> parse_records(std::span<const std::uint8_t> range);
// The exact header (letter case included) and a 0xFF trailer.
bool has_container_frame(std::span<const std::uint8_t> file);
// The records between header and trailer; empty if the frame is not there.
std::vector<TlvRecord> parse_container(std::span<const std::uint8_t> file);
// The last record of that type (readers let the last one count), or null.
const TlvRecord* last_record_of_type(const std::vector<TlvRecord>& records, std::uint32_t type);

}  // namespace qev::vpnr
