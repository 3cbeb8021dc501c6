#include "endpoint_catalog.h"

#include <mmdeviceapi.h>

#include <string>

#include "reg_key.h"

namespace qevsim {

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

}  // namespace qevsim
