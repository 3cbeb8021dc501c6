#include "effects/settings/driver_fx_key.h"

#include <optional>
#include <regex>
#include <vector>

#include "base/logging.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/ks_filter_path.h"

namespace qev::effects {

namespace {

constexpr wchar_t kDeviceClassesKey[] = L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
constexpr wchar_t kFxSubkey[] = L"\\Device Parameters\\FX\\0";
constexpr wchar_t kInterfaceKeyPrefix[] = L"##?#";
constexpr size_t kInterfacePathPrefixLength = 5;

// The first subkey whose name the pattern matches. The whole name is taken, not the matched
// text: a shortened pattern ("speaker" for "speaker_1wave") would otherwise name a key that
// does not exist.
std::optional<std::wstring> find_subkey(const std::vector<std::wstring>& subkeys, const std::wstring& pattern)
{
    const std::wregex expression(pattern, std::regex_constants::ECMAScript | std::regex_constants::icase);
    for (const std::wstring& name : subkeys) {
        if (std::regex_search(name, expression)) {
            return name;
        }
    }
    return std::nullopt;
}

// The topology pattern without its numbered suffix ("speaker_1(topo|topology)" gives "speaker").
std::optional<std::wstring> shortened_pattern(const std::wstring& pattern)
{
    static const std::wregex number(L"_[0-9]+");
    std::wsmatch match;
    if (!std::regex_search(pattern, match, number) || match.position(0) == 0) {
        return std::nullopt;
    }
    return pattern.substr(0, static_cast<size_t>(match.position(0)));
}

// Finds the topology filter's subkey by the pattern, then by its shortened form.
std::optional<std::wstring> find_topology_subkey(const std::vector<std::wstring>& subkeys, const std::wstring& pattern)
{
    try {
        if (auto name = find_subkey(subkeys, pattern)) {
            return name;
        }
        const auto shortened = shortened_pattern(pattern);
        return shortened ? find_subkey(subkeys, *shortened) : std::nullopt;
    } catch (const std::regex_error&) {
        base::log_wprintf(L"Invalid topology filter pattern: %s\n", pattern.c_str());
        return std::nullopt;
    }
}

}  // namespace

bool DriverFxKey::DriverFxKeyPath(const std::wstring& endpointId, EndpointDirection direction, std::wstring& key)
{
    direction = ResolveDirection(endpointId, direction);
    std::wstring category;
    std::wstring filterPath;
    std::wstring interfacePart;
    std::wstring topologyPattern;
    if (!KsFilterPath::FindFilterCategory(endpointId, direction, category) ||
        !KsFilterPath::ReadFilterPath(endpointId, direction, filterPath) ||
        !KsFilterPath::SplitFilterPath(filterPath, interfacePart, topologyPattern)) {
        return false;
    }
    const std::wstring interfaceKey = kDeviceClassesKey + category + L"\\" +
                                      interfacePart.replace(0, kInterfacePathPrefixLength, kInterfaceKeyPrefix);
    std::vector<std::wstring> subkeys;
    if (!FxRegistryAccess::RegEnumSubKeys(interfaceKey, subkeys)) {
        return false;
    }
    const auto topology = find_topology_subkey(subkeys, topologyPattern);
    if (!topology) {
        return false;
    }
    key = interfaceKey + L"\\" + *topology + kFxSubkey;
    return true;
}

}  // namespace qev::effects
