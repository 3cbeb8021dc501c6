#include "effects/environment/apo_deployment.h"

#include <exception>

#include "sysinfo/driver_store.h"
#include "sysinfo/inf_facts.h"

namespace qev::effects {

std::optional<sysinfo::OsVersion> ReadOsVersion()
{
    sysinfo::OsVersion os;
    try {
        if (!sysinfo::GetOsVersion(os)) {
            return std::nullopt;
        }
    } catch (const std::exception&) {
        // A build number that is not a number: the version is not known.
        return std::nullopt;
    }
    if (os.major == 0 && os.minor == 0 && os.build == 0 && os.revision == 0) {
        return std::nullopt;
    }
    return os;
}

std::optional<ApoDeployment> ReadApoDeployment(const sysinfo::OsVersion& os)
{
    ApoDeployment deployment;
    deployment.serviceVersion = sysinfo::ParseVersion(sysinfo::GetAudioServiceDriverVersion());
    deployment.apoVersion = sysinfo::ParseVersion(sysinfo::GetApoDriverVersion());
    const sysinfo::DriverVersion none;
    if (deployment.serviceVersion == none || deployment.apoVersion == none) {
        return std::nullopt;
    }
    deployment.infPath = sysinfo::GetApoInfPath();
    if (deployment.infPath.empty()) {
        return std::nullopt;
    }
    const bool audioEngine = sysinfo::InfHasAudioEngine(deployment.infPath);
    deployment.mode = audioEngine && os.build >= sysinfo::kWindows11FirstBuild ? 2 : 1;
    return deployment;
}

}  // namespace qev::effects
