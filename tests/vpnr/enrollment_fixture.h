#pragma once

#include "vpnr/crypter.h"
#include "vpnr/enrollment_container.h"
#include "vpnr/enrollment_manager.h"
#include "vpnr/sealed_recording.h"
#include "vpnr/tlv_record.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

// What the enrollment tests share: the stand-in voice-print library's switches, recordings, a
// private enrollment directory, and the simulated machine that places the library.
namespace qev::vpnr::test {

using Bytes = std::vector<std::uint8_t>;

// The switches of the stand-in library, HKLM\SOFTWARE\qevsim\VPRB01 (sim/README.md).
inline void set_library(const std::wstring& version = L"1.0.0", DWORD digits = 64,
                        const std::vector<std::wstring>& fail_calls = {}, bool incomplete = false)
{
    constexpr wchar_t kSwitchesKey[] = L"SOFTWARE\\qevsim\\VPRB01";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSwitchesKey);
    std::wstring calls;
    for (const std::wstring& call : fail_calls) {
        calls += call + L'\0';
    }
    calls += L'\0';
    const DWORD fails_to_complete = incomplete ? 1 : 0;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSwitchesKey, L"Version", REG_SZ, version.c_str(),
                              static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSwitchesKey, L"Digits", REG_DWORD, &digits, sizeof(DWORD));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSwitchesKey, L"FailCalls", REG_MULTI_SZ, calls.c_str(),
                    static_cast<DWORD>(calls.size() * sizeof(wchar_t)));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSwitchesKey, L"Incomplete", REG_DWORD, &fails_to_complete, sizeof(DWORD));
}

// `seconds` of 16 kHz mono float samples: a mixture of tones chosen by `seed`.
inline Bytes recording(double seconds, unsigned seed)
{
    Bytes bytes;
    const auto samples = static_cast<size_t>(seconds * 16000);
    for (size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / 16000;
        const auto value = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * (200 + 90 * seed) * t) +
                                              0.2 * std::sin(2 * std::numbers::pi * (1300 + 370 * seed) * t));
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&value);
        bytes.insert(bytes.end(), raw, raw + sizeof(value));
    }
    return bytes;
}

// A new enrollment file of the recording, by a manager of its own, under the current switches.
inline Bytes enroll(const Bytes& recording)
{
    EnrollmentManager manager;
    return manager.enroll_recording(recording);
}

// The value of the last top-level record of `type` (empty if none); the recording inside a file.
inline Bytes record_of(const Bytes& file, std::uint32_t type)
{
    const std::vector<TlvRecord> records = parse_container(file);
    const TlvRecord* record = last_record_of_type(records, type);
    return record != nullptr ? record->value : Bytes{};
}

inline Bytes recording_in(const Bytes& file)
{
    Crypter crypter;
    crypter.open_provider();
    crypter.derive_key();
    return open_recording(crypter, parse_records(record_of(file, 3)));
}

inline Bytes read_file(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

inline void write_file(const std::wstring& path, const Bytes& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A %PROGRAMDATA% of this process's own (children inherit it), removed with the object.
class PrivateProgramData {
public:
    PrivateProgramData()
    {
        std::filesystem::create_directories(root_);
        SetEnvironmentVariableW(L"PROGRAMDATA", root_.c_str());
    }
    ~PrivateProgramData()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    PrivateProgramData(const PrivateProgramData&) = delete;
    PrivateProgramData& operator=(const PrivateProgramData&) = delete;

    // "<PROGRAMDATA>\qEv\<name>"
    std::wstring path(const std::wstring& name) const { return root_ + L"\\qEv\\" + name; }

private:
    const std::wstring root_ =
        (std::filesystem::temp_directory_path() / ("qev_programdata_" + std::to_string(GetCurrentProcessId())))
            .wstring();
};

}  // namespace qev::vpnr::test
