#include "effects/environment/apo_environment_builder.h"

#include <optional>
#include <vector>

#include "base/com_init.h"
#include "datapath/catalogue/catalogue.h"
#include "effects/environment/apo_class_maintenance.h"
#include "effects/environment/apo_deployment.h"
#include "effects/environment/endpoint_apo_detection.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_registry_access.h"
#include "sysinfo/apo_software_devices.h"
#include "sysinfo/wide_text.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_queries.h"

namespace qev::effects {

namespace {

constexpr wchar_t kApoSoftwareDeviceName[] = L"vestaRionAPO";

std::vector<std::wstring> apo_device_paths()
{
    std::vector<std::wstring> paths;
    sysinfo::ListApoSoftwareDevices(
        [](const std::wstring& instance) { return sysinfo::ContainsIgnoreCase(instance, kApoSoftwareDeviceName); },
        paths);
    return paths;
}

bool is_marked(const std::wstring& fxKey)
{
    const std::wstring name(datapath::kListedHardwarePkey);
    DWORD value = 0;
    return FxRegistryAccess::RegValueExists(fxKey, name) && FxRegistryAccess::RegReadDword(fxKey, name, value) &&
           value != 0;
}

// A direction-specific endpoint overrides what a generic one set; the first known one sets it.
bool takes_over(const DirectionEnvironment& direction, const EndpointApoDetection& endpoint)
{
    return direction.environment == 2 || (direction.variant != 2 && endpoint.variant != 2 &&
                                          direction.variant != endpoint.variant && direction.variant == 0);
}

void examine_endpoint(const std::wstring& id, std::uint32_t mode, const std::optional<sysinfo::OsVersion>& os,
                      DirectionEnvironment& direction)
{
    const std::wstring fxKey = EndpointFxPaths::EndpointFxKeyPath(id, direction.direction);
    if (!is_marked(fxKey)) {
        return;
    }
    direction.markedEndpoints.push_back(id);
    const EndpointApoDetection detection = DetectEndpointApo(fxKey, os);
    if (takes_over(direction, detection)) {
        direction.environment = detection.environment;
        direction.variant = detection.variant;
    }
    if (mode == 2) {
        CollectHkrReferences(fxKey, direction.direction, detection.variant, direction);
    }
}

void examine_direction(EDataFlow flow, std::uint32_t mode, const std::optional<sysinfo::OsVersion>& os,
                       DirectionEnvironment& direction)
{
    for (const std::wstring& id : winaudio::EnumerateEndpointIds(flow)) {
        examine_endpoint(id, mode, os, direction);
    }
}

std::uint32_t deployment_mode(const std::optional<sysinfo::OsVersion>& os)
{
    if (!os) {
        return 0;
    }
    const std::optional<ApoDeployment> deployment = ReadApoDeployment(*os);
    if (!deployment) {
        return 0;
    }
    MaintainApoClassRegistration(*deployment);
    return deployment->mode;
}

}  // namespace

ApoEnvironment BuildApoEnvironment()
{
    const base::ComInit com(winaudio::kAudioComFlags, winaudio::kAudioComFallbackFlags);
    winaudio::ComInitGuard::Instance();
    ApoEnvironment environment;
    environment.apoDevicePaths = apo_device_paths();
    environment.capture.direction = EndpointDirection::Capture;
    environment.render.direction = EndpointDirection::Render;
    const std::optional<sysinfo::OsVersion> os = ReadOsVersion();
    environment.mode = deployment_mode(os);
    examine_direction(eCapture, environment.mode, os, environment.capture);
    examine_direction(eRender, environment.mode, os, environment.render);
    const bool referenceMissing = environment.capture.hkrReferences.empty() || environment.render.hkrReferences.empty();
    if (environment.mode == 2 && referenceMissing && !environment.apoDevicePaths.empty()) {
        environment.apoDevicePath = environment.apoDevicePaths.front();
    }
    return environment;
}

}  // namespace qev::effects
