#include "effects/settings/clsid_list.h"

#include <algorithm>

#include "sysinfo/wide_text.h"

namespace qev::effects {

bool ContainsClsid(const std::vector<std::wstring>& list, const std::wstring& clsid)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const std::wstring& entry) { return sysinfo::EqualsIgnoreCase(entry, clsid); });
}

bool ContainsAnyClsid(const std::vector<std::wstring>& list, const std::vector<std::wstring>& clsids)
{
    return std::any_of(clsids.begin(), clsids.end(),
                       [&](const std::wstring& clsid) { return ContainsClsid(list, clsid); });
}

std::size_t RemoveClsids(std::vector<std::wstring>& list, const std::vector<std::wstring>& clsids)
{
    const auto kept = std::remove_if(list.begin(), list.end(),
                                     [&](const std::wstring& entry) { return ContainsClsid(clsids, entry); });
    const auto removed = static_cast<std::size_t>(list.end() - kept);
    list.erase(kept, list.end());
    return removed;
}

}  // namespace qev::effects
