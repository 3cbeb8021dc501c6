#include "change_dispatcher.h"

#include <audiopolicy.h>
#include <mmdeviceapi.h>

#include <set>
#include <vector>

#include "audio_interfaces.h"
#include "notification_hub.h"
#include "property_codec.h"
#include "session_control.h"

namespace qevsim {

namespace {

// Calls fn on every client of kind and scope; each was registered as an Interface pointer.
template <typename Interface, typename Fn>
void notify(ClientKind kind, const std::wstring& scope, Fn fn)
{
    for (const auto& client : NotificationHub::instance().clients(kind, scope)) {
        fn(static_cast<Interface*>(client.Get()));
    }
}

// Names (as stored) of the values that were added, changed or removed between two readings.
std::vector<std::wstring> changedNames(const ValueMap& before, const ValueMap& after)
{
    std::vector<std::wstring> names;
    for (const auto& [lowered, value] : after) {
        const auto old = before.find(lowered);
        if (old == before.end() || !(old->second == value)) {
            names.push_back(value.name);
        }
    }
    for (const auto& [lowered, value] : before) {
        if (after.find(lowered) == after.end()) {
            names.push_back(value.name);
        }
    }
    return names;
}

const std::wstring& originalId(const MachineSnapshot& snapshot, const std::wstring& lowered)
{
    return snapshot.ids.at(lowered);
}

}  // namespace

void ChangeDispatcher::dispatch(const MachineSnapshot& before, const MachineSnapshot& after)
{
    endpointChanges(before, after);
    defaultChanges(before, after);
    sessionChanges(before, after);
}

void ChangeDispatcher::endpointChanges(const MachineSnapshot& before, const MachineSnapshot& after)
{
    for (const auto& [lowered, old] : before.endpoints) {
        if (after.endpoints.count(lowered) == 0) {
            const std::wstring id = originalId(before, lowered);
            if (old.state == DEVICE_STATE_ACTIVE) {
                disconnectSessionsOf(before, id);
            }
            notify<IMMNotificationClient>(ClientKind::Endpoint, L"",
                                          [&](IMMNotificationClient* c) { c->OnDeviceRemoved(id.c_str()); });
        }
    }
    for (const auto& [lowered, now] : after.endpoints) {
        const std::wstring id = originalId(after, lowered);
        const auto old = before.endpoints.find(lowered);
        if (old == before.endpoints.end()) {
            notify<IMMNotificationClient>(ClientKind::Endpoint, L"",
                                          [&](IMMNotificationClient* c) { c->OnDeviceAdded(id.c_str()); });
            // A client may already hold the endpoint (opened by id before this reading saw it), and
            // values written right after the endpoint appeared land in the same reading: report
            // them as changes from nothing rather than lose them.
            static const EndpointSnapshot kNothing{};
            propertyChanges(id, kNothing, now);
            effectStoreChanges(id, kNothing, now);
            continue;
        }
        if (old->second.state != now.state) {
            if (old->second.state == DEVICE_STATE_ACTIVE) {
                disconnectSessionsOf(before, id);
            }
            notify<IMMNotificationClient>(ClientKind::Endpoint, L"", [&](IMMNotificationClient* c) {
                c->OnDeviceStateChanged(id.c_str(), now.state);
            });
        }
        propertyChanges(id, old->second, now);
        effectStoreChanges(id, old->second, now);
    }
}

void ChangeDispatcher::propertyChanges(const std::wstring& id, const EndpointSnapshot& before,
                                       const EndpointSnapshot& after)
{
    std::vector<std::wstring> names = changedNames(before.properties, after.properties);
    const std::vector<std::wstring> fxNames = changedNames(before.fx, after.fx);
    names.insert(names.end(), fxNames.begin(), fxNames.end());
    for (const auto& name : names) {
        const auto key = PropertyCodec::parseValueName(name);
        if (!key) {
            continue;  // DeviceState, Role:n and other values that are no property
        }
        notify<IMMNotificationClient>(ClientKind::Endpoint, L"",
                                      [&](IMMNotificationClient* c) { c->OnPropertyValueChanged(id.c_str(), *key); });
    }
}

void ChangeDispatcher::effectStoreChanges(const std::wstring& id, const EndpointSnapshot& before,
                                          const EndpointSnapshot& after)
{
    std::set<std::wstring> contexts;
    for (const auto& entry : before.effectStores) {
        contexts.insert(entry.first);
    }
    for (const auto& entry : after.effectStores) {
        contexts.insert(entry.first);
    }
    static const std::array<ValueMap, 3> kNone{};
    for (const auto& context : contexts) {
        const auto oldStores = before.effectStores.find(context);
        const auto newStores = after.effectStores.find(context);
        const auto& oldMaps = oldStores == before.effectStores.end() ? kNone : oldStores->second;
        const auto& newMaps = newStores == after.effectStores.end() ? kNone : newStores->second;
        for (int type = 0; type < 3; ++type) {
            for (const auto& name : changedNames(oldMaps[type], newMaps[type])) {
                const auto key = PropertyCodec::parseValueName(name);
                if (!key) {
                    continue;
                }
                notify<IAudioSystemEffectsPropertyChangeNotificationClient>(
                    ClientKind::EffectStore, id + L"|" + context,
                    [&](IAudioSystemEffectsPropertyChangeNotificationClient* c) {
                        c->OnPropertyChanged(static_cast<AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE>(type), *key);
                    });
            }
        }
    }
}

void ChangeDispatcher::defaultChanges(const MachineSnapshot& before, const MachineSnapshot& after)
{
    std::set<std::pair<int, int>> slots;
    for (const auto& entry : before.defaults) {
        slots.insert(entry.first);
    }
    for (const auto& entry : after.defaults) {
        slots.insert(entry.first);
    }
    for (const auto& slot : slots) {
        const auto old = before.defaults.find(slot);
        const auto now = after.defaults.find(slot);
        const std::wstring oldId = old == before.defaults.end() ? L"" : old->second;
        const std::wstring newId = now == after.defaults.end() ? L"" : now->second;
        if (oldId == newId) {
            continue;
        }
        notify<IMMNotificationClient>(ClientKind::Endpoint, L"", [&](IMMNotificationClient* c) {
            c->OnDefaultDeviceChanged(static_cast<EDataFlow>(slot.first), static_cast<ERole>(slot.second),
                                      newId.empty() ? nullptr : newId.c_str());
        });
    }
}

void ChangeDispatcher::sessionChanges(const MachineSnapshot& before, const MachineSnapshot& after)
{
    for (const auto& [key, now] : after.sessions) {
        const auto old = before.sessions.find(key);
        const std::wstring scope = SessionControl::eventScope(now);
        if (old == before.sessions.end()) {
            notify<IAudioSessionNotification>(ClientKind::SessionCreated, now.endpointId,
                                              [&](IAudioSessionNotification* c) {
                                                  auto* control = new (std::nothrow) SessionControl(now);
                                                  if (control != nullptr) {
                                                      c->OnSessionCreated(control);
                                                      control->Release();
                                                  }
                                              });
            continue;
        }
        if (old->second.displayName != now.displayName) {
            notify<IAudioSessionEvents>(ClientKind::SessionEvents, scope, [&](IAudioSessionEvents* c) {
                c->OnDisplayNameChanged(now.displayName.c_str(), &GUID_NULL);
            });
        }
        if (old->second.iconPath != now.iconPath) {
            notify<IAudioSessionEvents>(ClientKind::SessionEvents, scope, [&](IAudioSessionEvents* c) {
                c->OnIconPathChanged(now.iconPath.c_str(), &GUID_NULL);
            });
        }
        if (old->second.state != now.state) {
            notify<IAudioSessionEvents>(ClientKind::SessionEvents, scope,
                                        [&](IAudioSessionEvents* c) { c->OnStateChanged(now.state); });
        }
        if (!old->second.disconnectReason && now.disconnectReason) {
            notify<IAudioSessionEvents>(ClientKind::SessionEvents, scope, [&](IAudioSessionEvents* c) {
                c->OnSessionDisconnected(static_cast<AudioSessionDisconnectReason>(*now.disconnectReason));
            });
        }
    }
    for (const auto& [key, old] : before.sessions) {
        if (after.sessions.count(key) == 0) {
            notify<IAudioSessionEvents>(ClientKind::SessionEvents, SessionControl::eventScope(old),
                                        [&](IAudioSessionEvents* c) { c->OnStateChanged(AudioSessionStateExpired); });
        }
    }
}

void ChangeDispatcher::disconnectSessionsOf(const MachineSnapshot& snapshot, const std::wstring& endpointId)
{
    const std::wstring lowered = toLower(endpointId);
    for (const auto& [key, session] : snapshot.sessions) {
        if (toLower(session.endpointId) != lowered || session.disconnectReason) {
            continue;
        }
        notify<IAudioSessionEvents>(
            ClientKind::SessionEvents, SessionControl::eventScope(session),
            [&](IAudioSessionEvents* c) { c->OnSessionDisconnected(DisconnectReasonDeviceRemoval); });
    }
}

}  // namespace qevsim
