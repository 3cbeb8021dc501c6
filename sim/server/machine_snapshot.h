#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <string>
#include <utility>

#include "reg_key.h"
#include "session_store.h"

namespace qevsim {

// Values of one key by lower-case value name.
using ValueMap = std::map<std::wstring, RegValue>;

struct EndpointSnapshot {
    DWORD state = 0;
    ValueMap properties;
    ValueMap fx;
    // Per-APO stores by lower-case effect CLSID: Default, User, Volatile.
    std::map<std::wstring, std::array<ValueMap, 3>> effectStores;
};

// Everything of the machine that clients are notified about, read in one pass.
struct MachineSnapshot {
    // By lower-case endpoint id; the id as written is kept in ids.
    std::map<std::wstring, EndpointSnapshot> endpoints;
    std::map<std::wstring, std::wstring> ids;
    // (flow, role) -> endpoint id, only where a default exists.
    std::map<std::pair<int, int>, std::wstring> defaults;
    // By lower-case "endpoint id|number".
    std::map<std::wstring, SessionRecord> sessions;

    static MachineSnapshot capture();
};

}  // namespace qevsim
