#include "endpoint_catalog.h"

#include <mmdeviceapi.h>

#include <cstring>
#include <string>

#include "reg_key.h"

namespace qevsim {

namespace {

std::wstring roleValueName(ERole role)
{
    return L"Role:" + std::to_wstring(static_cast<int>(role));
}

// The role stamp of an endpoint as a FILETIME count; 0 when it has none.
ULONGLONG roleStamp(const EndpointId& id, ERole role)
{
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, id.keyPath(), KEY_READ);
    const auto raw = key.value(roleValueName(role));
    if (!raw || raw->data.size() != sizeof(SYSTEMTIME)) {
        return 0;
    }
    SYSTEMTIME time;
    std::memcpy(&time, raw->data.data(), sizeof(time));
    FILETIME file;
    if (!::SystemTimeToFileTime(&time, &file)) {
        return 0;
    }
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

}  // namespace

std::vector<EndpointEntry> EndpointCatalog::list(std::optional<Flow> flow, DWORD stateMask)
{
    std::vector<EndpointEntry> result;
    for (const Flow each : {Flow::Render, Flow::Capture}) {
        if (flow && *flow != each) {
            continue;
        }
        const RegKey root =
            RegKey::open(HKEY_LOCAL_MACHINE, std::wstring(kAudioRoot) + L"\\" + flowWord(each), KEY_READ);
        for (const auto& name : root.subkeys()) {
            if (!isBracedGuid(name)) {
                continue;
            }
            EndpointId id(each, name);
            const auto current = state(id);
            if (current && (*current & stateMask) != 0) {
                result.push_back({id, *current});
            }
        }
    }
    return result;
}

std::optional<DWORD> EndpointCatalog::state(const EndpointId& id)
{
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, id.keyPath(), KEY_READ);
    if (!key) {
        return std::nullopt;
    }
    // Windows keeps flag bits above the state; only the state counts here.
    return key.dword(kDeviceStateValue).value_or(DEVICE_STATE_NOTPRESENT) & DEVICE_STATEMASK_ALL;
}

LONG EndpointCatalog::setState(const EndpointId& id, DWORD newState)
{
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, id.keyPath(), KEY_READ | KEY_SET_VALUE, &rc);
    if (!key) {
        return rc;
    }
    const DWORD flags = key.dword(kDeviceStateValue).value_or(0) & ~static_cast<DWORD>(DEVICE_STATEMASK_ALL);
    return key.setDword(kDeviceStateValue, flags | newState);
}

std::optional<EndpointId> DefaultRoles::current(Flow flow, ERole role)
{
    std::optional<EndpointId> best;
    ULONGLONG bestStamp = 0;
    for (const auto& entry : EndpointCatalog::list(flow, DEVICE_STATE_ACTIVE)) {
        const ULONGLONG stamp = roleStamp(entry.id, role);
        if (!best || stamp > bestStamp) {
            best = entry.id;
            bestStamp = stamp;
        }
    }
    return best;
}

LONG DefaultRoles::set(const EndpointId& id, ERole role)
{
    if (role < eConsole || role > eCommunications) {
        return ERROR_INVALID_PARAMETER;
    }
    FILETIME nowFile;
    ::GetSystemTimeAsFileTime(&nowFile);
    ULONGLONG stamp = (static_cast<ULONGLONG>(nowFile.dwHighDateTime) << 32) | nowFile.dwLowDateTime;
    stamp -= stamp % 10000;  // a SYSTEMTIME keeps milliseconds only
    // A later choice must win even within one clock tick: stay one millisecond above every stamp.
    for (const auto& entry : EndpointCatalog::list(id.flow(), DEVICE_STATEMASK_ALL)) {
        const ULONGLONG other = roleStamp(entry.id, role);
        if (other >= stamp) {
            stamp = other + 10000;
        }
    }
    const FILETIME file{static_cast<DWORD>(stamp & 0xFFFFFFFFu), static_cast<DWORD>(stamp >> 32)};
    SYSTEMTIME time;
    if (!::FileTimeToSystemTime(&file, &time)) {
        return static_cast<LONG>(::GetLastError());
    }
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, id.keyPath(), KEY_SET_VALUE, &rc);
    if (!key) {
        return rc;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&time);
    return key.setValue(roleValueName(role), REG_BINARY, std::vector<std::uint8_t>(bytes, bytes + sizeof(time)));
}

}  // namespace qevsim
