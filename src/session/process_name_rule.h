#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/process_snapshot.h"

namespace qev::session {

// Admits a process by its image name: the rule's result when the name is listed (any case), its
// negation when not. Process id 0 is never admitted.
struct ProcessNameRule {
    const std::vector<std::wstring>* names;
    bool whenListed;

    bool admits(std::uint32_t pid, const ProcessSnapshot& snapshot) const;
};

// The programs whose sessions never make an endpoint a candidate.
const std::vector<std::wstring>& excluded_programs();

}  // namespace qev::session
