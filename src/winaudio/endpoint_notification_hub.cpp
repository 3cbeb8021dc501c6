#include "winaudio/endpoint_notification_hub.h"

#include <algorithm>

namespace qev::winaudio {

EndpointNotificationHub& GetEndpointNotificationHub()
{
    static EndpointNotificationHub hub;
    return hub;
}

EndpointNotificationHub::EndpointNotificationHub() : client_(new ImmNotificationClientImpl())
{
    client_->Initialize();
    ImmNotificationCallbacks callbacks;
    callbacks.defaultDeviceChanged = &EndpointNotificationHub::on_default_device_changed;
    callbacks.deviceAdded = &EndpointNotificationHub::on_device_added;
    callbacks.deviceRemoved = &EndpointNotificationHub::on_device_removed;
    callbacks.deviceStateChanged = &EndpointNotificationHub::on_device_state_changed;
    callbacks.propertyValueChanged = &EndpointNotificationHub::on_property_value_changed;
    client_->Register(callbacks, this);
}

EndpointNotificationHub::~EndpointNotificationHub()
{
    client_->Unregister();
    client_->Release();
}

bool EndpointNotificationHub::Unregister()
{
    return client_->Unregister();
}

void EndpointNotificationHub::AddObserver(ImmNotificationObserver* observer)
{
    std::lock_guard<std::mutex> lock(observersMutex_);
    observers_.push_back(observer);
}

void EndpointNotificationHub::RemoveObserver(ImmNotificationObserver* observer)
{
    {
        std::lock_guard<std::mutex> lock(observersMutex_);
        observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
    }
    deliveries_.wait_idle();
}

void EndpointNotificationHub::post(EndpointEventKind kind, EndpointEvent event)
{
    worker_.post([this, kind, event = std::move(event)] { deliver(kind, event); });
}

void EndpointNotificationHub::deliver(EndpointEventKind kind, const EndpointEvent& event)
{
    deliveries_.enter();
    CallbackGate::Pass pass(deliveries_);
    std::vector<ImmNotificationObserver*> observers;
    {
        std::lock_guard<std::mutex> lock(observersMutex_);
        observers = observers_;
    }
    for (ImmNotificationObserver* observer : observers) {
        observer->on_device_notification(kind, event);
    }
}

HRESULT EndpointNotificationHub::on_default_device_changed(EDataFlow flow, ERole role, LPCWSTR id, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    static_cast<EndpointNotificationHub*>(context)->post(EndpointEventKind::DefaultDeviceChanged,
                                                         EndpointEvent::DefaultDeviceChanged(id, flow, role));
    return S_OK;
}

HRESULT EndpointNotificationHub::on_device_added(LPCWSTR id, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    static_cast<EndpointNotificationHub*>(context)->post(EndpointEventKind::DeviceAdded,
                                                         EndpointEvent::DeviceAddedOrRemoved(id));
    return S_OK;
}

HRESULT EndpointNotificationHub::on_device_removed(LPCWSTR id, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    static_cast<EndpointNotificationHub*>(context)->post(EndpointEventKind::DeviceRemoved,
                                                         EndpointEvent::DeviceAddedOrRemoved(id));
    return S_OK;
}

HRESULT EndpointNotificationHub::on_device_state_changed(LPCWSTR id, DWORD newState, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    static_cast<EndpointNotificationHub*>(context)->post(EndpointEventKind::DeviceStateChanged,
                                                         EndpointEvent::StateChanged(id, newState));
    return S_OK;
}

HRESULT EndpointNotificationHub::on_property_value_changed(LPCWSTR id, const PROPERTYKEY* key, void* context)
{
    if (context == nullptr || key == nullptr) {
        return E_INVALIDARG;
    }
    static_cast<EndpointNotificationHub*>(context)->post(EndpointEventKind::PropertyValueChanged,
                                                         EndpointEvent::PropertyValueChanged(id, *key));
    return S_OK;
}

}  // namespace qev::winaudio
