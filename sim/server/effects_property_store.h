#pragma once

#include <windows.h>

#include <string>

#include "audio_interfaces.h"
#include "com_object.h"
#include "machine_layout.h"
#include "registry_property_store.h"

namespace qevsim {

// IAudioSystemEffectsPropertyStore of one endpoint and effect context: the Default, User and
// Volatile stores under FxProperties\{context}.
class EffectsPropertyStore final : public ComObject<IAudioSystemEffectsPropertyStore> {
public:
    EffectsPropertyStore(EndpointId endpoint, std::wstring context);

    HRESULT STDMETHODCALLTYPE OpenDefaultPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE OpenUserPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE OpenVolatilePropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE ResetUserPropertyStore() override;
    HRESULT STDMETHODCALLTYPE ResetVolatilePropertyStore() override;
    HRESULT STDMETHODCALLTYPE
    RegisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client) override;
    HRESULT STDMETHODCALLTYPE
    UnregisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client) override;

private:
    std::wstring storePath(const wchar_t* name) const;
    HRESULT open(StoreAddress::Kind kind, DWORD access, IPropertyStore** store) const;
    HRESULT reset(const wchar_t* name) const;
    std::wstring scope() const;

    const EndpointId endpoint_;
    const std::wstring context_;
};

}  // namespace qevsim
