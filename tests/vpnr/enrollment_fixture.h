#pragma once

#include "vpnr/tlv_record.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the enrollment tests share: the stand-in voice-print library's switches, recordings, a
// private enrollment directory, and the simulated machine that places the library.
namespace qev::vpnr::test {

using Bytes = std::vector<std::uint8_t>;

// The switches of the stand-in library, HKLM\SOFTWARE\qevsim\VPRB01 (sim/README.md).
void set_library(const std::wstring& version = L"1.0.0", DWORD digits = 64,
                 const std::vector<std::wstring>& fail_calls = {}, bool incomplete = false);

// `seconds` of 16 kHz mono float samples: a mixture of tones chosen by `seed`.
Bytes recording(double seconds, unsigned seed);

// A new enrollment file of the recording, by a manager of its own, under the current switches.
Bytes enroll(const Bytes& recording);

// The value of the last top-level record of `type` (empty if none); the recording inside a file.
Bytes record_of(const Bytes& file, std::uint32_t type);
Bytes recording_in(const Bytes& file);

Bytes read_file(const std::wstring& path);
void write_file(const std::wstring& path, const Bytes& bytes);

// A %PROGRAMDATA% of this process's own (children inherit it), removed with the object.
class PrivateProgramData {
public:
    PrivateProgramData();
    ~PrivateProgramData();
    PrivateProgramData(const PrivateProgramData&) = delete;
    PrivateProgramData& operator=(const PrivateProgramData&) = delete;

    // "<PROGRAMDATA>\qEv\<name>"
    std::wstring path(const std::wstring& name) const;

private:
    std::wstring root_;
};

}  // namespace qev::vpnr::test
