#include "change_dispatcher.h"

#include <audiopolicy.h>
#include <mmdeviceapi.h>

#include "audio_interfaces.h"
#include "notification_hub.h"
#include "property_codec.h"
#include "session_control.h"

namespace qevsim {

namespace {

using Kind = ChangeRecord::Kind;

// Calls fn on every served client of kind and scope; each was registered as an Interface pointer.
template <typename Interface, typename Fn>
void notify(ClientKind kind, const std::wstring& scope, DWORD run, Fn fn)
{
    NotificationHub::instance().forEach(kind, scope, run,
                                        [&fn](IUnknown* client) { fn(static_cast<Interface*>(client)); });
}

void notifyEndpointClients(const std::function<void(IMMNotificationClient*)>& fn)
{
    notify<IMMNotificationClient>(ClientKind::Endpoint, L"", 0, fn);
}

}  // namespace

void ChangeDispatcher::deliver(const ChangeRecord& record)
{
    switch (record.kind) {
    case Kind::Added:
    case Kind::Removed:
    case Kind::State:
    case Kind::Default:
    case Kind::Property:
        endpointChange(record);
        return;
    case Kind::EffectProperty:
        effectChange(record);
        return;
    case Kind::SessionCreated:
        sessionCreated(record);
        return;
    default:
        sessionEvent(record);
        return;
    }
}

void ChangeDispatcher::endpointChange(const ChangeRecord& record)
{
    const wchar_t* const id = record.endpoint.c_str();
    switch (record.kind) {
    case Kind::Added:
        notifyEndpointClients([id](IMMNotificationClient* c) { c->OnDeviceAdded(id); });
        return;
    case Kind::Removed:
        notifyEndpointClients([id](IMMNotificationClient* c) { c->OnDeviceRemoved(id); });
        return;
    case Kind::State:
        notifyEndpointClients([&](IMMNotificationClient* c) { c->OnDeviceStateChanged(id, record.number); });
        return;
    case Kind::Default:
        notifyEndpointClients([&](IMMNotificationClient* c) {
            c->OnDefaultDeviceChanged(static_cast<EDataFlow>(record.flow), static_cast<ERole>(record.role),
                                      record.endpoint.empty() ? nullptr : id);
        });
        return;
    default:
        if (const auto key = PropertyCodec::parseValueName(record.text)) {
            notifyEndpointClients([&](IMMNotificationClient* c) { c->OnPropertyValueChanged(id, *key); });
        }
        return;
    }
}

void ChangeDispatcher::effectChange(const ChangeRecord& record)
{
    const auto key = PropertyCodec::parseValueName(record.text);
    if (!key || record.number > AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_VOLATILE) {
        return;
    }
    const auto type = static_cast<AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE>(record.number);
    notify<IAudioSystemEffectsPropertyChangeNotificationClient>(
        ClientKind::EffectStore, record.endpoint + L"|" + record.context, 0,
        [&](IAudioSystemEffectsPropertyChangeNotificationClient* c) { c->OnPropertyChanged(type, *key); });
}

void ChangeDispatcher::sessionCreated(const ChangeRecord& record)
{
    // The session as it is now; one already gone again is still announced with what the record holds.
    SessionRecord session;
    session.endpointId = record.endpoint;
    session.number = record.session;
    session.processId = record.number;
    if (auto live = SessionStore::find(record.endpoint, record.session)) {
        session = std::move(*live);
    }
    // One control for every client, released after the last call (outside any callback).
    auto* control = new (std::nothrow) SessionControl(session, record.run);
    if (control == nullptr) {
        return;
    }
    notify<IAudioSessionNotification>(ClientKind::SessionCreated, record.endpoint, record.run,
                                      [control](IAudioSessionNotification* c) { c->OnSessionCreated(control); });
    control->Release();
}

void ChangeDispatcher::sessionEvent(const ChangeRecord& record)
{
    const std::wstring scope = record.endpoint + L"|" + record.session;
    notify<IAudioSessionEvents>(ClientKind::SessionEvents, scope, record.run, [&](IAudioSessionEvents* c) {
        switch (record.kind) {
        case Kind::SessionState:
            c->OnStateChanged(static_cast<AudioSessionState>(record.number));
            break;
        case Kind::SessionName:
            c->OnDisplayNameChanged(record.text.c_str(), &GUID_NULL);
            break;
        case Kind::SessionIcon:
            c->OnIconPathChanged(record.text.c_str(), &GUID_NULL);
            break;
        case Kind::SessionDisconnected:
            c->OnSessionDisconnected(static_cast<AudioSessionDisconnectReason>(record.number));
            break;
        default:
            c->OnStateChanged(AudioSessionStateExpired);
            break;
        }
    });
}

}  // namespace qevsim
