#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <propsys.h>

#include <array>
#include <cstdint>
#include <string>

namespace qev::winaudio {

enum class EndpointEventKind : std::uint32_t {
    DefaultDeviceChanged = 0,
    DeviceAdded = 1,
    DeviceRemoved = 2,
    DeviceStateChanged = 3,
    PropertyValueChanged = 4,
};

// One endpoint notification: the endpoint id and a 20-byte payload whose meaning depends on the
// kind (flow and role; new state; property key; nothing for added and removed).
struct EndpointEvent {
    std::wstring endpointId;
    std::array<unsigned char, 20> payload{};

    static EndpointEvent DefaultDeviceChanged(LPCWSTR id, EDataFlow flow, ERole role);
    static EndpointEvent DeviceAddedOrRemoved(LPCWSTR id);
    static EndpointEvent StateChanged(LPCWSTR id, DWORD newState);
    static EndpointEvent PropertyValueChanged(LPCWSTR id, const PROPERTYKEY& key);

    std::uint32_t data_flow() const { return word(0); }
    std::uint32_t role() const { return word(1); }
    std::uint32_t new_state() const { return word(0); }
    PROPERTYKEY property_key() const;

private:
    std::uint32_t word(std::size_t index) const;
};

}  // namespace qev::winaudio
