#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

#include "winaudio/callback_gate.h"
#include "winaudio/endpoint_event.h"
#include "winaudio/imm_notification_client_impl.h"
#include "winaudio/imm_notification_observer.h"

namespace qev::winaudio {

// The process-wide endpoint notification client and the observers it delivers to. Observers are
// called on the notifying Windows thread, in list order, without the list lock held.
class EndpointNotificationHub {
public:
    EndpointNotificationHub(const EndpointNotificationHub&) = delete;
    EndpointNotificationHub& operator=(const EndpointNotificationHub&) = delete;

    void AddObserver(ImmNotificationObserver* observer);
    // Erases every entry equal to observer; on return no delivery to it is still running on
    // another thread, so the caller may destroy it. Not to be called while holding a lock that an
    // observer takes.
    void RemoveObserver(ImmNotificationObserver* observer);
    bool Unregister();
    bool registered() const { return client_->registered(); }

private:
    friend EndpointNotificationHub& GetEndpointNotificationHub();
    EndpointNotificationHub();
    ~EndpointNotificationHub();

    void deliver(EndpointEventKind kind, const EndpointEvent& event);

    static HRESULT on_default_device_changed(EDataFlow flow, ERole role, LPCWSTR id, void* context);
    static HRESULT on_device_added(LPCWSTR id, void* context);
    static HRESULT on_device_removed(LPCWSTR id, void* context);
    static HRESULT on_device_state_changed(LPCWSTR id, DWORD newState, void* context);
    static HRESULT on_property_value_changed(LPCWSTR id, const PROPERTYKEY* key, void* context);

    ImmNotificationClientImpl* client_;  // one reference, released at destruction
    std::mutex observersMutex_;
    std::vector<ImmNotificationObserver*> observers_;
    CallbackGate deliveries_;
};

// Creates the hub and registers its client on first use.
EndpointNotificationHub& GetEndpointNotificationHub();

}  // namespace qev::winaudio
