#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qevsim {

// Where the simulated machine lives in the registry (all under HKEY_LOCAL_MACHINE).
inline constexpr wchar_t kAudioRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio";
inline constexpr wchar_t kSimRoot[] = L"SOFTWARE\\qevsim";
inline constexpr wchar_t kSessionsRoot[] = L"SOFTWARE\\qevsim\\Sessions";
// The change journal; qevsim clear keeps it and the violations (neither is part of the machine).
inline constexpr wchar_t kJournalKey[] = L"SOFTWARE\\qevsim\\Journal";
inline constexpr wchar_t kJournalSubkey[] = L"Journal";
// Switches that choose between documented behaviours (sim/README.md).
inline constexpr wchar_t kContractKey[] = L"SOFTWARE\\qevsim\\Contract";
// Calls the documentation forbids, as the simulator saw them.
inline constexpr wchar_t kViolationsKey[] = L"SOFTWARE\\qevsim\\Violations";
inline constexpr wchar_t kViolationsSubkey[] = L"Violations";
// The processes qevsim process-start started (value: process id, data: its creation time);
// qevsim load keeps them, qevsim clear ends them.
inline constexpr wchar_t kProcessesKey[] = L"SOFTWARE\\qevsim\\Processes";
inline constexpr wchar_t kProcessesSubkey[] = L"Processes";
inline constexpr wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr wchar_t kDeviceStateValue[] = L"DeviceState";
inline constexpr wchar_t kPropertiesSubkey[] = L"Properties";
inline constexpr wchar_t kFxPropertiesSubkey[] = L"FxProperties";

// First build number with the per-APO effect stores.
inline constexpr unsigned kFirstEffectStoreBuild = 22000;

// The two data flows the machine has (EDataFlow values).
enum class Flow { Render = 0, Capture = 1 };

const wchar_t* flowWord(Flow flow);

// An endpoint id: "{0.0.0.00000000}.{GUID}" (render) or "{0.0.1.00000000}.{GUID}" (capture).
class EndpointId {
public:
    // Accepts a full id, or a bare braced GUID when lookupFlow finds it in the machine.
    static std::optional<EndpointId> parse(const std::wstring& text);
    static std::optional<EndpointId> resolve(const std::wstring& text);
    EndpointId(Flow flow, std::wstring guid);

    Flow flow() const { return flow_; }
    const std::wstring& guid() const { return guid_; }
    std::wstring text() const;
    // "SOFTWARE\...\MMDevices\Audio\Render\{GUID}"
    std::wstring keyPath() const;
    std::wstring propertiesPath() const;
    std::wstring fxPath() const;

private:
    Flow flow_;
    std::wstring guid_;
};

bool isBracedGuid(const std::wstring& text);

// CurrentBuildNumber of the simulated Windows; 0 when absent or not a number.
unsigned simulatedBuild();

}  // namespace qevsim
