#include "effects/environment/apo_class_maintenance.h"

#include <algorithm>
#include <string>
#include <vector>

#include "datapath/catalogue/catalogue.h"
#include "effects/settings/clsid_list.h"
#include "effects/settings/fx_registry_access.h"
#include "sysinfo/apo_class_registration.h"
#include "sysinfo/inf_facts.h"
#include "winsys/registry.h"

namespace qev::effects {

namespace {

constexpr wchar_t kLastCheckedValue[] = L"LastCheckedAPOVersion";
constexpr std::uint16_t kAlwaysCheckedRevision = 1837;

const std::vector<std::wstring>& generic_group()
{
    static const std::vector<std::wstring> group{std::wstring(datapath::kGenericApoClsid),
                                                 std::wstring(datapath::kOwnedApoClsidFAE6)};
    return group;
}

const std::vector<std::wstring>& direction_specific_group()
{
    static const std::vector<std::wstring> group{
        std::wstring(datapath::kStreamEffectApoClsid), std::wstring(datapath::kCaptureModeApoClsid),
        std::wstring(datapath::kEndpointEffectApoClsid), std::wstring(datapath::kOwnedApoClsidFE15),
        std::wstring(datapath::kRenderModeApoClsid)};
    return group;
}

bool version_needs_check(const ApoDeployment& deployment)
{
    std::wstring text;
    winsys::read_string(HKEY_LOCAL_MACHINE, winsys::kOwnSettingsSubkey, kLastCheckedValue, text);
    const sysinfo::DriverVersion lastChecked = sysinfo::ParseVersion(text);
    return lastChecked != deployment.apoVersion && (deployment.apoVersion == deployment.serviceVersion ||
                                                    deployment.apoVersion.revision == kAlwaysCheckedRevision);
}

bool delete_group(const std::vector<std::wstring>& group)
{
    return std::all_of(group.begin(), group.end(), sysinfo::DeleteApoClassRegistration);
}

bool register_group(const std::vector<std::wstring>& group, const std::wstring& library)
{
    return std::all_of(group.begin(), group.end(),
                       [&](const std::wstring& clsid) { return sysinfo::RegisterApoClass(clsid, library); });
}

// Mode 1: the direction-specific classes always, the generic ones when the INF registers one of them.
bool register_from_inf(const std::wstring& infPath)
{
    const std::wstring library = sysinfo::GetInfServerPath(infPath);
    bool done = register_group(direction_specific_group(), library);
    std::vector<std::wstring> infClasses;
    if (sysinfo::GetInfClassIds(infPath, infClasses) && ContainsAnyClsid(infClasses, generic_group())) {
        done = register_group(generic_group(), library) && done;
    }
    return done;
}

bool bring_registration_in_step(const ApoDeployment& deployment)
{
    const bool registered = sysinfo::IsApoClassRegistered();
    if (deployment.mode == 2) {
        return !registered || (delete_group(direction_specific_group()) && delete_group(generic_group()));
    }
    return registered || register_from_inf(deployment.infPath);
}

void remember_version(const sysinfo::DriverVersion& version)
{
    const std::wstring key = winsys::kOwnSettingsKey;
    // The write repairs the key first, so a key made here is opened to Administrators only.
    if (FxRegistryAccess::RegKeyExists(key) || FxRegistryAccess::RegCreateKey(key)) {
        FxRegistryAccess::RegWriteString(key, kLastCheckedValue, sysinfo::FormatVersion(version));
    }
}

}  // namespace

void MaintainApoClassRegistration(const ApoDeployment& deployment)
{
    if (version_needs_check(deployment) && bring_registration_in_step(deployment)) {
        remember_version(deployment.apoVersion);
    }
}

}  // namespace qev::effects
