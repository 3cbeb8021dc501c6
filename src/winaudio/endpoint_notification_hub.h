#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

#include "winaudio/callback_gate.h"
#include "winaudio/endpoint_event.h"
#include "winaudio/imm_notification_client_impl.h"
#include "winaudio/imm_notification_observer.h"
#include "winaudio/serial_worker.h"

namespace qev::winaudio {

// The process-wide endpoint notification client and the observers it delivers to. The client's
// callbacks only record each notification and post it to the hub's worker, which calls the
// observers in list order, without the list lock held: an observer may then do what Windows
// forbids on its own notification threads (register for sessions, open and release devices,
// wait).
class EndpointNotificationHub {
public:
    EndpointNotificationHub(const EndpointNotificationHub&) = delete;
    EndpointNotificationHub& operator=(const EndpointNotificationHub&) = delete;

    void AddObserver(ImmNotificationObserver* observer);
    // Erases every entry equal to observer; on return no delivery to it is still running on
    // another thread, so the caller may destroy it. Not to be called while holding a lock that an
    // observer takes. (Called by an observer from its own delivery, it does not wait for itself.)
    void RemoveObserver(ImmNotificationObserver* observer);
    bool Unregister();
    bool registered() const { return client_->registered(); }

private:
    friend EndpointNotificationHub& GetEndpointNotificationHub();
    EndpointNotificationHub();
    ~EndpointNotificationHub();

    // On the Windows thread: hands the event to the worker.
    void post(EndpointEventKind kind, EndpointEvent event);
    // On the worker: calls the observers.
    void deliver(EndpointEventKind kind, const EndpointEvent& event);

    static HRESULT on_default_device_changed(EDataFlow flow, ERole role, LPCWSTR id, void* context);
    static HRESULT on_device_added(LPCWSTR id, void* context);
    static HRESULT on_device_removed(LPCWSTR id, void* context);
    static HRESULT on_device_state_changed(LPCWSTR id, DWORD newState, void* context);
    static HRESULT on_property_value_changed(LPCWSTR id, const PROPERTYKEY* key, void* context);

    ImmNotificationClientImpl* client_;  // one reference, released at destruction
    std::mutex observersMutex_;
    std::vector<ImmNotificationObserver*> observers_;
    CallbackGate deliveries_{false};
    // Last: ends (and stops delivering) before anything it delivers with goes.
    SerialWorker worker_;
};

// Creates the hub and registers its client on first use.
EndpointNotificationHub& GetEndpointNotificationHub();

}  // namespace qev::winaudio
