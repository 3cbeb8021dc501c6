#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sysinfo/driver_version.h"
#include "sysinfo/os_version.h"

namespace qev::effects {

// What the installed APO package tells about the deployment.
struct ApoDeployment {
    // 2 when the APO's INF registers with the audio engine ("HKR,AudioEngine") on Windows 11, else 1.
    std::uint32_t mode = 0;
    std::wstring infPath;
    sysinfo::DriverVersion apoVersion;
    sysinfo::DriverVersion serviceVersion;
};

// The operating-system version, or nothing when it can't be read or reads as all zero.
std::optional<sysinfo::OsVersion> ReadOsVersion();

// The deployment, once both component versions are non-zero and the APO's INF is in the driver
// store; nothing otherwise.
std::optional<ApoDeployment> ReadApoDeployment(const sysinfo::OsVersion& os);

}  // namespace qev::effects
