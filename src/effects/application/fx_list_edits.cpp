#include "effects/application/fx_list_edits.h"

#include "effects/settings/clsid_list.h"
#include "effects/settings/fx_registry_access.h"

namespace qev::effects {

std::vector<std::wstring> ReadFxList(const std::wstring& fxKey, const std::wstring& list)
{
    std::vector<std::wstring> values;
    if (FxRegistryAccess::RegValueExists(fxKey, list)) {
        FxRegistryAccess::RegReadMultiString(fxKey, list, values);
    }
    return values;
}

void MergeInstallEntries(const std::wstring& fxKey, const std::vector<FxInstallEntry>& entries)
{
    for (const FxInstallEntry& entry : entries) {
        std::vector<std::wstring> values = ReadFxList(fxKey, entry.value);
        for (const std::wstring& clsid : entry.clsids) {
            if (!ContainsClsid(values, clsid)) {
                values.push_back(clsid);
            }
        }
        FxRegistryAccess::RegWriteMultiString(fxKey, entry.value, values);
    }
}

}  // namespace qev::effects
