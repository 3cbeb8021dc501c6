#include "session/candidate_changes.h"

#include <algorithm>

#include "base/logging.h"
#include "base/utf8.h"

namespace qev::session {

CandidateChanges CandidateChanges::between(const CandidateMap& previous, const CandidateMap& current)
{
    CandidateChanges changes;
    for (const auto& [id, entry] : current) {
        if (entry->processIds.empty()) {
            continue;
        }
        const auto before = previous.find(id);
        if (changed(before == previous.end() ? nullptr : before->second.get(), *entry)) {
            changes.activated.push_back(id);
        }
        base::log_printf("update activate candidate: %s\n", base::utf8_from_wide(id).c_str());
    }
    for (const auto& entry : previous) {
        if (current.count(entry.first) == 0) {
            changes.deactivated.push_back(entry.first);
        }
    }
    return changes;
}

bool CandidateChanges::changed(const ActiveListEntry* previous, const ActiveListEntry& current)
{
    if (previous == nullptr || current.processIds.size() > previous->processIds.size()) {
        return true;
    }
    return !std::equal(current.processIds.begin(), current.processIds.end(), previous->processIds.begin());
}

}  // namespace qev::session
