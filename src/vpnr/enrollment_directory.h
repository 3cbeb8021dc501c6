#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qev::vpnr {

// The enrollment directory, "%PROGRAMDATA%\qEv" (no trailing backslash), from this process's
// environment; nothing when PROGRAMDATA is not set, so no file ever lands in a relative path.
std::optional<std::wstring> enrollment_directory();

// Full paths of the enrollment files in `directory` (names ending in "_enroll.bin", any case), in
// directory order.
std::vector<std::wstring> list_enrollment_files(const std::wstring& directory);

}  // namespace qev::vpnr
