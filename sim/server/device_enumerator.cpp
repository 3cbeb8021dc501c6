#include "device_enumerator.h"

#include <optional>
#include <vector>

#include "audio_device.h"
#include "audio_interfaces.h"
#include "device_collection.h"
#include "default_roles.h"
#include "contract.h"
#include "endpoint_catalog.h"
#include "notification_hub.h"

namespace qevsim {

HRESULT DeviceEnumerator::EnumAudioEndpoints(EDataFlow flow, DWORD stateMask, IMMDeviceCollection** devices)
{
    if (devices == nullptr) {
        return E_POINTER;
    }
    *devices = nullptr;
    if (flow < eRender || flow > eAll || stateMask == 0 || (stateMask & ~DEVICE_STATEMASK_ALL) != 0) {
        return E_INVALIDARG;
    }
    std::optional<Flow> only;
    if (flow != eAll) {
        only = flow == eRender ? Flow::Render : Flow::Capture;
    }
    std::vector<EndpointId> ids;
    for (const auto& entry : EndpointCatalog::list(only, stateMask)) {
        ids.push_back(entry.id);
    }
    return handOut(new (std::nothrow) DeviceCollection(std::move(ids)), __uuidof(IMMDeviceCollection),
                   reinterpret_cast<void**>(devices));
}

HRESULT DeviceEnumerator::GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** endpoint)
{
    if (endpoint == nullptr) {
        return E_POINTER;
    }
    *endpoint = nullptr;
    if ((flow != eRender && flow != eCapture) || role < eConsole || role > eCommunications) {
        return E_INVALIDARG;
    }
    const auto current = DefaultRoles::current(flow == eRender ? Flow::Render : Flow::Capture, role);
    if (!current) {
        return kElementNotFound;
    }
    return handOut(new (std::nothrow) AudioDevice(*current), __uuidof(IMMDevice), reinterpret_cast<void**>(endpoint));
}

HRESULT DeviceEnumerator::GetDevice(LPCWSTR id, IMMDevice** device)
{
    if (id == nullptr || device == nullptr) {
        return E_POINTER;
    }
    return AudioDevice::create(id, device);
}

HRESULT DeviceEnumerator::RegisterEndpointNotificationCallback(IMMNotificationClient* client)
{
    // The current documentation: no AddRef on the client; the older one said it took a reference.
    return NotificationHub::instance().add(ClientKind::Endpoint, L"", client, Contract::endpointCallbackAddRef());
}

HRESULT DeviceEnumerator::UnregisterEndpointNotificationCallback(IMMNotificationClient* client)
{
    return NotificationHub::instance().remove(ClientKind::Endpoint, L"", client);
}

}  // namespace qevsim
