#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <memory>
#include <mutex>

#include "winaudio/callback_gate.h"
#include "base/com_init.h"
#include "base/com_object.h"

namespace qev::winaudio {

// The owner's handlers for the five endpoint notifications; each gets the owner's context.
struct ImmNotificationCallbacks {
    HRESULT (*defaultDeviceChanged)(EDataFlow flow, ERole role, LPCWSTR id, void* context) = nullptr;
    HRESULT (*deviceAdded)(LPCWSTR id, void* context) = nullptr;
    HRESULT (*deviceRemoved)(LPCWSTR id, void* context) = nullptr;
    HRESULT (*deviceStateChanged)(LPCWSTR id, DWORD newState, void* context) = nullptr;
    HRESULT (*propertyValueChanged)(LPCWSTR id, const PROPERTYKEY* key, void* context) = nullptr;
};

// The endpoint notification client registered with the device enumerator. Windows calls it on its
// own threads. While registered it holds a reference to itself: the current documentation says
// the enumerator takes none (the older said it did), so its life never rests on the enumerator's.
// Unregistration clears the callbacks under the mutex, calls Windows outside it, waits for
// callbacks still running on other threads and then drops that reference; the owner unregisters
// before it lets go (releasing the last outside reference does not unregister).
class ImmNotificationClientImpl final : public base::ComObject<IMMNotificationClient> {
public:
    ImmNotificationClientImpl() = default;

    // Initialises COM for the calling thread and creates the device enumerator.
    bool Initialize();
    // Registers with the enumerator once; the callbacks and context take effect on success.
    bool Register(const ImmNotificationCallbacks& callbacks, void* context);
    // False only when registered without an enumerator.
    bool Unregister();
    bool registered() const;

    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD newState) override;
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key) override;

private:
    ~ImmNotificationClientImpl() override;

    // Copies the callbacks and context and enters the gate; the caller leaves it.
    void enter(ImmNotificationCallbacks& callbacks, void*& context);

    std::unique_ptr<base::ComInit> comInit_;
    Microsoft::WRL::ComPtr<IMMDeviceEnumerator> enumerator_;
    ULONG registered_ = 0;
    void* context_ = nullptr;
    ImmNotificationCallbacks callbacks_;
    mutable std::mutex mutex_;
    CallbackGate gate_;
};

}  // namespace qev::winaudio
