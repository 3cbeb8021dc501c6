#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/settings/endpoint_fx_paths.h"
#include "sim_machine.h"
#include "winsys/registry.h"
#include "winaudio/com_init_guard.h"

namespace qev::effects::test {

// qevsim command lines applied to the machine after loading it.
using Edits = std::vector<std::vector<std::wstring>>;

// Endpoints of sim/machines/default.reg.
inline constexpr wchar_t kSpeakers[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E01}";
inline constexpr wchar_t kMicArray[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
inline constexpr wchar_t kUsbSpeakers[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E03}";
inline constexpr wchar_t kHandsFree[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E05}";
inline constexpr wchar_t kStereoMix[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E07}";
inline constexpr wchar_t kNotOnMachine[] = L"{0.0.0.00000000}.{00000000-0000-0000-0000-0000000000FF}";

// The simulated laptop, loaded afresh for every case, with COM for the test thread.
class EffectsOnLaptop : public ::testing::Test {
protected:
    static void Load(const Edits& edits = {})
    {
        winaudio::test::SimMachine::Load("default");
        for (const auto& edit : edits) {
            winaudio::test::SimMachine::Must(edit);
        }
    }

    base::ComInit com_{winaudio::kAudioComFlags, winaudio::kAudioComFallbackFlags};
};

// sim/machines/laptop-apo.reg: the laptop with the APO on its marked microphone array and speakers.
inline constexpr wchar_t kUsbMic[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E04}";
inline constexpr wchar_t kApoDevice[] =
    L"SWD\\DRIVERENUM\\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#vestaRionAPO&1&2f1a3b7c&0";
inline constexpr wchar_t kGeneric[] = L"{F005D60E-B43A-46CF-BAD3-6ACB1D314511}";
inline constexpr wchar_t kStream[] = L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}";
inline constexpr wchar_t kCaptureMode[] = L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}";
inline constexpr wchar_t kRenderMode[] = L"{FD278210-3175-4909-B46A-DF2CA8C20D46}";
inline constexpr wchar_t kEndpointFx[] = L"{FA8B455E-13FB-4D1B-8DCF-4E1239DAD425}";
inline constexpr wchar_t kForeign13[] = L"{2d5f4e6a-7b8c-4d9e-a0b1-c2d3e4f5a6b7}";
inline constexpr wchar_t kForeign14[] = L"{3e6a5f7b-8c9d-4eaf-b1c2-d3e4f5a6b7c8}";
inline constexpr wchar_t kForeign15[] = L"{4f7b6a8c-9dae-4fb0-c2d3-e4f5a6b7c8d9}";

// A qevsim command that sets a value of the endpoint's FX store.
inline std::vector<std::wstring> SetFx(const std::wstring& id, const std::wstring& name, const std::wstring& type,
                                       std::vector<std::wstring> values = {})
{
    std::vector<std::wstring> args = {L"set-prop", id, L"fx", name, type};
    args.insert(args.end(), values.begin(), values.end());
    return args;
}

// The laptop's speakers carrying the generic APO instead of the render one.
inline Edits GenericSpeakers()
{
    return {SetFx(kSpeakers, L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},13", L"multi", {kForeign13}),
            SetFx(kSpeakers, L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14", L"multi", {kForeign14, kGeneric})};
}

// A value of HKEY_LOCAL_MACHINE\subkey as text: a list joined by "|", a number in decimal, "-"
// when it is missing.
inline std::wstring ValueText(const std::wstring& subkey, const std::wstring& name)
{
    DWORD type = 0;
    winsys::RegistryValue value;
    if (!winsys::read_value(HKEY_LOCAL_MACHINE, subkey, name, type, value)) {
        return L"-";
    }
    if (const auto* number = std::get_if<DWORD>(&value)) {
        return std::to_wstring(*number);
    }
    if (const auto* text = std::get_if<std::wstring>(&value)) {
        return *text;
    }
    std::wstring joined;
    for (const std::wstring& item : std::get<std::vector<std::wstring>>(value)) {
        joined += (joined.empty() ? L"" : L"|") + item;
    }
    return joined;
}
// The same for a value of an endpoint's FX key.
inline std::wstring FxText(const std::wstring& endpointId, const std::wstring& name)
{
    const std::wstring key = EndpointFxPaths::EndpointFxKeyPath(endpointId, EndpointDirection::Unknown);
    return ValueText(key.substr(key.find(L'\\') + 1), name);
}
// Writes HKEY_LOCAL_MACHINE\subkey\name (the key is made where missing); REG_DWORD from decimal text.
inline void WriteValue(const std::wstring& subkey, const std::wstring& name, DWORD type, const std::wstring& text)
{
    const DWORD number = type == REG_DWORD ? std::stoul(text) : 0;
    const void* data = type == REG_DWORD ? static_cast<const void*>(&number) : text.c_str();
    const DWORD size = type == REG_DWORD ? sizeof(number) : static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, subkey.c_str(), name.empty() ? nullptr : name.c_str(), type, data, size),
        ERROR_SUCCESS);
}

// Loads the laptop with the APO afresh on the given Windows build and applies the edits.
inline void LoadApoLaptop(unsigned build, const Edits& edits = {})
{
    winaudio::test::SimMachine::Load("laptop-apo");
    winaudio::test::SimMachine::Must({L"set-build", std::to_wstring(build)});
    for (const auto& edit : edits) {
        winaudio::test::SimMachine::Must(edit);
    }
}

// The laptop with the APO, with COM for the test thread.
class ApoLaptop : public EffectsOnLaptop {
protected:
    static void LoadApo(unsigned build, const Edits& edits = {}) { LoadApoLaptop(build, edits); }
};

}  // namespace qev::effects::test
