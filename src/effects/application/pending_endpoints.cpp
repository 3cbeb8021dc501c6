#include "effects/application/pending_endpoints.h"

#include <algorithm>

#include "sysinfo/wide_text.h"

namespace qev::effects {

PendingEndpoints& PendingEndpoints::Instance()
{
    static PendingEndpoints pending;
    return pending;
}

std::vector<std::wstring>::const_iterator PendingEndpoints::Find(const std::wstring& endpointId) const
{
    return std::find_if(ids_.begin(), ids_.end(),
                        [&](const std::wstring& id) { return sysinfo::EqualsIgnoreCase(id, endpointId); });
}

void PendingEndpoints::Add(const std::wstring& endpointId)
{
    const std::lock_guard lock(mutex_);
    if (Find(endpointId) == ids_.end()) {
        ids_.push_back(endpointId);
    }
}

bool PendingEndpoints::Empty() const
{
    const std::lock_guard lock(mutex_);
    return ids_.empty();
}

bool PendingEndpoints::Contains(const std::wstring& endpointId) const
{
    const std::lock_guard lock(mutex_);
    return Find(endpointId) != ids_.end();
}

bool PendingEndpoints::Remove(const std::wstring& endpointId)
{
    const std::lock_guard lock(mutex_);
    const auto found = Find(endpointId);
    if (found == ids_.end()) {
        return false;
    }
    ids_.erase(found);
    return true;
}

}  // namespace qev::effects
