#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

namespace qev::winaudio {

// The owner's optional handlers for endpoint notifications; a null entry ignores that notification.
struct DeviceEventCallbacks {
    void (*stateChanged)(LPCWSTR id, DWORD newState) = nullptr;
    void (*deviceAdded)(LPCWSTR id) = nullptr;
    void (*deviceRemoved)(LPCWSTR id) = nullptr;
    void (*defaultDeviceChanged)(EDataFlow flow, ERole role, LPCWSTR id) = nullptr;
    void (*propertyValueChanged)(LPCWSTR id, PROPERTYKEY key) = nullptr;
};

}  // namespace qev::winaudio
