#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "reg_file_parser.h"

namespace qevsim {

// Changes the machine for qevsim. Each operation checks its input first and reports failure with
// a message in *error, changing nothing when the input is bad.
class MachineEditor {
public:
    // Replaces the machine (endpoints, sessions, simulator data) by a parsed machine file, then
    // writes the driver-store files it names.
    // Keys the file creates are recorded (CreatedKeys); values it writes into keys that were
    // there before, such as the Windows version, stay after a clear.
    static bool load(const std::vector<RegOperation>& ops, std::wstring* error);
    // Removes endpoints, sessions, the simulator's data, the keys the last load created and the
    // driver-store files it wrote.
    static bool clear(std::wstring* error);
    static bool addEndpoint(const std::wstring& flow, const std::wstring& guid, const std::wstring& name, DWORD state,
                            std::wstring* error);
    static bool removeEndpoint(const std::wstring& id, std::wstring* error);
    static bool setState(const std::wstring& id, DWORD state, std::wstring* error);
    // store: "device", "fx", or "default|user|volatile:{CLSID}"; type: sz, multi, dword, i4, empty.
    static bool setProperty(const std::wstring& id, const std::wstring& store, const std::wstring& key,
                            const std::wstring& type, const std::vector<std::wstring>& values, std::wstring* error);
    static bool setDefault(const std::wstring& id, const std::wstring& role, std::wstring* error);
    static bool setBuild(const std::wstring& build, std::wstring* error);

    // Driver-store files: HKLM\SOFTWARE\qevsim\DriverStore\<inf name> with "Path" (the file's
    // Windows path), "Lines" (its text, a multi-string) and "Files" (further files of the package,
    // copied from this executable's folder into the INF's); written by load.
    static bool writeDriverStoreFiles(std::wstring* error);

private:
    static void removeDriverStoreFiles();
};

// Parses state words (active, disabled, notpresent, unplugged) and numbers 1, 2, 4, 8.
bool parseDeviceState(const std::wstring& text, DWORD* state);
const wchar_t* deviceStateWord(DWORD state);

}  // namespace qevsim
