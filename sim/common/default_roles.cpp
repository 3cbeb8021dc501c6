#include "default_roles.h"

#include <cstring>
#include <string>

#include "endpoint_catalog.h"
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
