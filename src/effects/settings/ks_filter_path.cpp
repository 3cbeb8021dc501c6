#include "effects/settings/ks_filter_path.h"

#include <regex>

#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"
#include "sysinfo/wide_text.h"

namespace qev::effects {

namespace {

constexpr wchar_t kMissingValue[] = L"ERROR_FILE_NOT_FOUND";
constexpr wchar_t kAudioCategory[] = L"{6994AD04-93EF-11D0-A3CC-00A0C9223196}";
constexpr wchar_t kTopologyCategory[] = L"{DDA54A40-1E4C-11D1-A050-405705C10000}";

}  // namespace

bool KsFilterPath::ReadFilterPath(const std::wstring& endpointId, EndpointDirection direction, std::wstring& path)
{
    const std::wstring key = EndpointFxPaths::EndpointPropertiesKeyPath(endpointId, direction);
    std::wstring text;
    if (key.empty() || !FxRegistryAccess::RegReadString(key, kFilterPathValue, text) ||
        sysinfo::EqualsIgnoreCase(text, kMissingValue) || text.empty()) {
        return false;
    }
    path = text.substr(0, text.find(L'\0'));
    return true;
}

bool KsFilterPath::FindFilterCategory(const std::wstring& endpointId, EndpointDirection direction,
                                      std::wstring& category)
{
    static const std::wregex guid(L"\\{[a-f0-9]{8}-([a-f0-9]{4}-){3}[a-f0-9]{12}\\}",
                                  std::regex_constants::ECMAScript | std::regex_constants::icase);
    std::wstring path;
    std::wsmatch match;
    if (!ReadFilterPath(endpointId, direction, path) || !std::regex_search(path, match, guid)) {
        return false;
    }
    const std::wstring found = match.str(0);
    if (!sysinfo::EqualsIgnoreCase(found, kAudioCategory) && !sysinfo::EqualsIgnoreCase(found, kTopologyCategory)) {
        return false;
    }
    category = found;
    return true;
}

bool KsFilterPath::SplitFilterPath(const std::wstring& filterPath, std::wstring& interfacePart,
                                   std::wstring& topologyPattern)
{
    const size_t first = filterPath.find_first_of(L".\\?");
    const size_t last = filterPath.rfind(L'\\');
    if (first == std::wstring::npos || last == std::wstring::npos) {
        return false;
    }
    std::wstring name = filterPath.substr(last + 1);
    const size_t wave = name.find(L"wave");
    if (wave == std::wstring::npos) {
        return false;
    }
    interfacePart = filterPath.substr(first, last - first);
    topologyPattern = name.replace(wave, 4, L"(topo|topology)");
    return true;
}

}  // namespace qev::effects
