#include "machine_snapshot.h"

#include <mmdeviceapi.h>

#include "default_roles.h"
#include "endpoint_catalog.h"
#include "machine_layout.h"

namespace qevsim {

namespace {

constexpr const wchar_t* kEffectStoreNames[3] = {L"Default", L"User", L"Volatile"};

ValueMap readValues(const std::wstring& path)
{
    ValueMap values;
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, path, KEY_READ);
    for (auto& value : key.values()) {
        std::wstring name = toLower(value.name);
        values.emplace(std::move(name), std::move(value));
    }
    return values;
}

EndpointSnapshot readEndpoint(const EndpointEntry& entry)
{
    EndpointSnapshot snapshot;
    snapshot.state = entry.state;
    snapshot.properties = readValues(entry.id.propertiesPath());
    snapshot.fx = readValues(entry.id.fxPath());
    const RegKey fx = RegKey::open(HKEY_LOCAL_MACHINE, entry.id.fxPath(), KEY_READ);
    for (const auto& context : fx.subkeys()) {
        auto& stores = snapshot.effectStores[toLower(context)];
        for (int i = 0; i < 3; ++i) {
            stores[i] = readValues(entry.id.fxPath() + L"\\" + context + L"\\" + kEffectStoreNames[i]);
        }
    }
    return snapshot;
}

}  // namespace

MachineSnapshot MachineSnapshot::capture()
{
    MachineSnapshot snapshot;
    for (const auto& entry : EndpointCatalog::list(std::nullopt, DEVICE_STATEMASK_ALL)) {
        const std::wstring id = entry.id.text();
        snapshot.ids[toLower(id)] = id;
        snapshot.endpoints[toLower(id)] = readEndpoint(entry);
    }
    for (const Flow flow : {Flow::Render, Flow::Capture}) {
        for (const ERole role : {eConsole, eMultimedia, eCommunications}) {
            if (const auto current = DefaultRoles::current(flow, role)) {
                snapshot.defaults[{static_cast<int>(flow), static_cast<int>(role)}] = current->text();
            }
        }
    }
    for (auto& session : SessionStore::listAll()) {
        std::wstring key = toLower(session.endpointId + L"|" + session.number);
        snapshot.sessions.emplace(std::move(key), std::move(session));
    }
    return snapshot;
}

}  // namespace qevsim
