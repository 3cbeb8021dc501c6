#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qev::vpnr {

// Replaces the whole file at `path` so that an interruption at any moment leaves either the old
// file or the new one, never a short or missing one: the bytes go to a temporary file beside it,
// are flushed to the disk, and the temporary file then takes the target's name in one step.
// False (GetLastError tells why) when the file could not be replaced; the old one is then intact.
bool replace_file_atomically(const std::wstring& path, std::span<const std::uint8_t> bytes);

// Deletes the temporary files an interrupted replacement left in `directory`. A temporary file
// another writer still has open stays.
void remove_leftover_temporary_files(const std::wstring& directory);

}  // namespace qev::vpnr
