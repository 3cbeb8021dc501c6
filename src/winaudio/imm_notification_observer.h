#pragma once

#include <windows.h>

#include "winaudio/endpoint_event.h"

namespace qev::winaudio {

// Receives endpoint notifications from the hub, on the notifying Windows thread.
class ImmNotificationObserver {
public:
    virtual ~ImmNotificationObserver() = default;
    virtual HRESULT on_device_notification(EndpointEventKind kind, const EndpointEvent& event) = 0;
};

}  // namespace qev::winaudio
