#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "change_record.h"
#include "session_store.h"

namespace qevsim {

// What of the machine the audio service announces besides property values: the endpoints and
// their states, the default endpoints and the sessions, read in one pass.
struct MachineStructure {
    // Endpoint id (as written) -> state, by lower-case id.
    std::map<std::wstring, std::pair<std::wstring, DWORD>> endpoints;
    // (flow, role) -> endpoint id, only where a default exists.
    std::map<std::pair<DWORD, DWORD>, std::wstring> defaults;
    // By lower-case "endpoint id|number".
    std::map<std::wstring, SessionRecord> sessions;

    static MachineStructure capture();

    // The records that announce the way from before to after, in the order Windows would send
    // them: endpoints (a session of an endpoint that stops being active is disconnected first),
    // then defaults, then sessions.
    static std::vector<ChangeRecord> changes(const MachineStructure& before, const MachineStructure& after);
    // Endpoints that were there before, not active, and are active after.
    static std::vector<std::wstring> activated(const MachineStructure& before, const MachineStructure& after);
};

}  // namespace qevsim
