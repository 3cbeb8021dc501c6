#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "effects/environment/apo_environment.h"
#include "sim_machine.h"
#include "winaudio/endpoint_queries.h"

namespace qev::datapath::test {

using winaudio::test::SimMachine;

// Endpoints of sim/machines/default.reg and default-win10.reg.
inline constexpr wchar_t kMicId[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
inline constexpr wchar_t kSpeakersId[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E01}";
inline constexpr wchar_t kMicFx[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}"
    L"\\FxProperties";
inline constexpr wchar_t kApoStores[] = L"\\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";

enum class Generation { kWindows10, kWindows11 };

// qevsim command lines applied to a machine after loading it.
using Edits = std::vector<std::vector<std::wstring>>;

// The qevsim edit that sets one property of an endpoint store ("fx", "user:{CLSID}", ...).
inline std::vector<std::wstring> SetProp(const std::wstring& id, const std::wstring& store, const std::wstring& key,
                                         const std::wstring& type, const std::wstring& value)
{
    return {L"set-prop", id, store, key, type, value};
}

inline Microsoft::WRL::ComPtr<IMMDevice> Device(const std::wstring& id)
{
    Microsoft::WRL::ComPtr<IMMDevice> device;
    EXPECT_TRUE(winaudio::GetDeviceById(id, device));
    return device;
}

// A DWORD as the registry holds it under HKEY_LOCAL_MACHINE.
inline std::optional<DWORD> Stored(const std::wstring& key, const std::wstring& name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG rc =
        RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size);
    return rc == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}

// The simulated laptop of one generation with the direction-specific APO marked on its microphone
// array, so the capture direction keeps its settings in the FX store (Windows 10) or in the
// per-APO stores (Windows 11), and the APO environment rebuilt for it.
class ContextOnMachine : public ::testing::Test {
protected:
    static void Load(Generation generation, const Edits& edits = {})
    {
        SimMachine::Load(generation == Generation::kWindows11 ? "default" : "default-win10");
        SimMachine::Must(SetProp(kMicId, L"fx", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", L"1"));
        SimMachine::Must({L"set-prop", kMicId, L"fx", L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14", L"multi",
                          L"{3e6a5f7b-8c9d-4eaf-b1c2-d3e4f5a6b7c8}", L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}"});
        for (const auto& edit : edits) {
            SimMachine::Must(edit);
        }
        effects::RebuildApoEnvironment();
    }
};

}  // namespace qev::datapath::test
