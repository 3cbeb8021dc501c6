#pragma once

#include <windows.h>

#include <propsys.h>

namespace qev::effects {

// The endpoint notification handlers, in the shape of the device monitor wrapper's callback table
// (winaudio::DeviceEventCallbacks). Windows calls them on its notification threads: each only
// queues its work for the endpoint work thread (endpoint_work.h) and returns, so the work of all
// notifications runs one at a time, in arrival order, and never beside a scan's endpoint. The owner
// unregisters them (destroys its device list) before the process ends; the work thread ends then.

// An endpoint that becomes active with the APO registered gets "{4077f64d-...},0" = 0 once; every
// state change is logged and then reported to the state-change callback (true when the marker was
// written).
void OnEndpointStateChanged(LPCWSTR endpointId, DWORD newState);
// An endpoint with its KS filter path gets the APO when eligible; one without waits in
// PendingEndpoints for the path.
void OnEndpointAdded(LPCWSTR endpointId);
// A waiting endpoint whose KS filter path arrives gets the APO when eligible and stops waiting.
void OnEndpointPropertyChanged(LPCWSTR endpointId, PROPERTYKEY key);

// The process-wide state-change callback (null for none), called on the endpoint work thread.
void SetStateChangeCallback(void (*callback)(bool));

// Returns once the work of every notification received so far is done.
void WaitForEndpointNotifications();

}  // namespace qev::effects
