#include "winaudio/endpoint_event.h"

#include <cstring>

namespace qev::winaudio {

namespace {

static_assert(sizeof(PROPERTYKEY) == 20, "the payload holds exactly one property key");

EndpointEvent with_id(LPCWSTR id)
{
    EndpointEvent event;
    event.endpointId = id != nullptr ? id : L"";
    return event;
}

}  // namespace

EndpointEvent EndpointEvent::DefaultDeviceChanged(LPCWSTR id, EDataFlow flow, ERole role)
{
    EndpointEvent event = with_id(id);
    const std::uint32_t words[2] = {static_cast<std::uint32_t>(flow), static_cast<std::uint32_t>(role)};
    std::memcpy(event.payload.data(), words, sizeof(words));
    return event;
}

EndpointEvent EndpointEvent::DeviceAddedOrRemoved(LPCWSTR id)
{
    return with_id(id);
}

EndpointEvent EndpointEvent::StateChanged(LPCWSTR id, DWORD newState)
{
    EndpointEvent event = with_id(id);
    const std::uint32_t state = newState;
    std::memcpy(event.payload.data(), &state, sizeof(state));
    return event;
}

EndpointEvent EndpointEvent::PropertyValueChanged(LPCWSTR id, const PROPERTYKEY& key)
{
    EndpointEvent event = with_id(id);
    std::memcpy(event.payload.data(), &key, sizeof(key));
    return event;
}

PROPERTYKEY EndpointEvent::property_key() const
{
    PROPERTYKEY key;
    std::memcpy(&key, payload.data(), sizeof(key));
    return key;
}

std::uint32_t EndpointEvent::word(std::size_t index) const
{
    std::uint32_t value = 0;
    std::memcpy(&value, payload.data() + index * sizeof(value), sizeof(value));
    return value;
}

}  // namespace qev::winaudio
