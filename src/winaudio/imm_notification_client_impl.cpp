#include "winaudio/imm_notification_client_impl.h"

#include "base/logging.h"
#include "winaudio/com_init_guard.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

ImmNotificationClientImpl::~ImmNotificationClientImpl()
{
    // The enumerator goes before COM is undone.
    enumerator_.Reset();
    comInit_.reset();
}

bool ImmNotificationClientImpl::Initialize()
{
    comInit_ = std::make_unique<base::ComInit>(kAudioComFlags, kAudioComFallbackFlags);
    const HRESULT hr =
        CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                         reinterpret_cast<void**>(enumerator_.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to instantiate device enumerator, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

bool ImmNotificationClientImpl::Register(const ImmNotificationCallbacks& callbacks, void* context)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (registered_ != 0 || !enumerator_) {
        return false;
    }
    const HRESULT hr = enumerator_->RegisterEndpointNotificationCallback(this);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to register endpoint notification, hr: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    registered_ = 1;
    context_ = context;
    callbacks_ = callbacks;
    AddRef();  // the registration's own, whether or not the enumerator takes one
    return true;
}

bool ImmNotificationClientImpl::registered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_ != 0;
}

bool ImmNotificationClientImpl::Unregister()
{
    const wchar_t* const failureMessage = L"Failed to unregister endpoint notification callback, hr: 0x%08X\n";
    ComPtr<IMMDeviceEnumerator> enumerator;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (registered_ == 0) {
            return true;
        }
        if (!enumerator_) {
            return false;
        }
        registered_ = 0;
        context_ = nullptr;
        callbacks_ = ImmNotificationCallbacks{};
        enumerator.Swap(enumerator_);  // mingw-w64's move assignment would copy
    }
    const HRESULT hr = enumerator->UnregisterEndpointNotificationCallback(this);
    gate_.wait_idle();
    enumerator.Reset();
    if (FAILED(hr)) {
        // Still registered as far as Windows knows: the object must outlive the registration.
        base::log_wprintf(failureMessage, static_cast<unsigned>(hr));
        return true;
    }
    Release();  // the registration's own; may free this object
    return true;
}

void ImmNotificationClientImpl::enter(ImmNotificationCallbacks& callbacks, void*& context)
{
    std::lock_guard<std::mutex> lock(mutex_);
    callbacks = callbacks_;
    context = context_;
    gate_.enter();
}

HRESULT ImmNotificationClientImpl::OnDeviceStateChanged(LPCWSTR id, DWORD newState)
{
    ImmNotificationCallbacks callbacks;
    void* context = nullptr;
    enter(callbacks, context);
    CallbackGate::Pass pass(gate_);
    return callbacks.deviceStateChanged ? callbacks.deviceStateChanged(id, newState, context) : S_OK;
}

HRESULT ImmNotificationClientImpl::OnDeviceAdded(LPCWSTR id)
{
    ImmNotificationCallbacks callbacks;
    void* context = nullptr;
    enter(callbacks, context);
    CallbackGate::Pass pass(gate_);
    return callbacks.deviceAdded ? callbacks.deviceAdded(id, context) : S_OK;
}

HRESULT ImmNotificationClientImpl::OnDeviceRemoved(LPCWSTR id)
{
    ImmNotificationCallbacks callbacks;
    void* context = nullptr;
    enter(callbacks, context);
    CallbackGate::Pass pass(gate_);
    return callbacks.deviceRemoved ? callbacks.deviceRemoved(id, context) : S_OK;
}

HRESULT ImmNotificationClientImpl::OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id)
{
    ImmNotificationCallbacks callbacks;
    void* context = nullptr;
    enter(callbacks, context);
    CallbackGate::Pass pass(gate_);
    return callbacks.defaultDeviceChanged ? callbacks.defaultDeviceChanged(flow, role, id, context) : S_OK;
}

HRESULT ImmNotificationClientImpl::OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key)
{
    ImmNotificationCallbacks callbacks;
    void* context = nullptr;
    enter(callbacks, context);
    CallbackGate::Pass pass(gate_);
    const PROPERTYKEY copy = key;
    return callbacks.propertyValueChanged ? callbacks.propertyValueChanged(id, &copy, context) : S_OK;
}

}  // namespace qev::winaudio
