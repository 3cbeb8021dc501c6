#pragma once

#include <string>
#include <vector>

#include "session/active_list_entry.h"
#include "session/process_snapshot.h"
#include "session/process_table.h"

namespace qev::session {

// Builds the candidate map from the process table. A process other than the excluded programs
// that holds active capture and render endpoints makes all of them candidates. A "SoundBench"
// process while "MicLinkClient.exe" runs adds its capture endpoints to the tool capture list
// instead.
class CandidateCollector {
public:
    // Takes a new snapshot into `snapshot`, replaces `toolCaptures` and returns the candidates.
    static CandidateMap collect(const ProcessTable& table, ProcessSnapshot& snapshot,
                                std::vector<std::wstring>& toolCaptures);

private:
    static bool is_tool_session(const std::wstring& imageName);
    static void add_tool_captures(const ProcessEndpointLists& lists, std::vector<std::wstring>& toolCaptures);
    static void add_candidates(const std::vector<std::wstring>& ids, std::uint32_t kind, std::uint32_t pid,
                               CandidateMap& candidates);
};

}  // namespace qev::session
