#pragma once

#include <cstdint>

namespace qev::sysinfo {

struct OsVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t build = 0;
    uint16_t revision = 0;
};

// Builds from 22000 on are Windows 11.
inline constexpr uint16_t kWindows11FirstBuild = 22000;

// Reads the Windows version from HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion. True when major,
// minor and build were read; the revision ("UBR") is 0 when missing. A build number that is not a
// number throws std::invalid_argument("invalid stoi argument"), one out of int range
// std::out_of_range("stoi argument out of range").
bool GetOsVersion(OsVersion& out);

}  // namespace qev::sysinfo
