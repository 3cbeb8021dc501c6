#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "reg_file_parser.h"

namespace qevsim {

// The registry keys a loaded machine brought into the prefix, so clearing the machine takes
// them away again (device keys, driver FX keys, the product key...) while keys that were there
// before the load stay. Kept as "CreatedKeys" (REG_MULTI_SZ of "HKLM\path" / "HKCU\path") under
// HKLM\SOFTWARE\qevsim\Machine.
class CreatedKeys {
public:
    // The keys the operations would create that do not exist now, parents before children.
    // A key deleted by an earlier operation counts as missing.
    static std::vector<std::wstring> plan(const std::vector<RegOperation>& ops);
    // Adds keys to the record (written before they are created, so an interrupted load is still
    // cleared).
    static LONG record(const std::vector<std::wstring>& keys);
    // Deletes the recorded keys, deepest first, then the record. A key already gone is fine; on
    // another failure the record stays for the next try and *failedKey names the key.
    static LONG removeRecorded(std::wstring* failedKey);
    static std::vector<std::wstring> recorded();
};

}  // namespace qevsim
