#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qev::vpnr {

// The whole content of a file; nothing when it cannot be opened or read. A content too large for
// memory throws std::bad_alloc.
std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::wstring& path);

}  // namespace qev::vpnr
