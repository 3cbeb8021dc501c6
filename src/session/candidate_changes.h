#pragma once

#include <string>
#include <vector>

#include "session/active_list_entry.h"

namespace qev::session {

// What one worker pass announces: the endpoints that left the candidates and those that joined or
// changed, each in map order.
struct CandidateChanges {
    std::vector<std::wstring> deactivated;
    std::vector<std::wstring> activated;

    // A set counts as changed when it is longer than the previous one or differs from it in one of
    // its own positions (so a set that lost its last members counts as unchanged). Logs every
    // current candidate.
    static CandidateChanges between(const CandidateMap& previous, const CandidateMap& current);

private:
    static bool changed(const ActiveListEntry* previous, const ActiveListEntry& current);
};

}  // namespace qev::session
