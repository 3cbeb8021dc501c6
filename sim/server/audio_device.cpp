#include "audio_device.h"

#include <audioclient.h>
#include <audiopolicy.h>
#include <objbase.h>

#include "audio_interfaces.h"
#include "audio_service_state.h"
#include "effects_property_store.h"
#include "endpoint_catalog.h"
#include "reg_key.h"
#include "registry_property_store.h"
#include "session_control.h"
#include "session_manager.h"

namespace qevsim {

AudioDevice::AudioDevice(EndpointId id) : id_(std::move(id))
{}

HRESULT AudioDevice::create(const std::wstring& id, IMMDevice** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    // Not an endpoint id at all is an invalid argument; a well-formed id of no endpoint is not found.
    const auto parsed = EndpointId::parse(id);
    if (!parsed) {
        return E_INVALIDARG;
    }
    if (!EndpointCatalog::state(*parsed)) {
        return kElementNotFound;
    }
    return handOut(new (std::nothrow) AudioDevice(*parsed), __uuidof(IMMDevice), reinterpret_cast<void**>(out));
}

HRESULT AudioDevice::Activate(REFIID iid, DWORD, PROPVARIANT* parameters, void** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!EndpointCatalog::state(id_)) {
        return kElementNotFound;
    }
    if (iid == __uuidof(IAudioSessionManager) || iid == __uuidof(IAudioSessionManager2)) {
        return activateSessionManager(iid, out);
    }
    if (iid == __uuidof(IAudioSystemEffectsPropertyStore)) {
        return activateEffectsStore(parameters, out);
    }
    return E_NOINTERFACE;
}

HRESULT AudioDevice::activateSessionManager(REFIID iid, void** out) const
{
    // The session manager is the audio service's; without it there is none to hand out.
    const DWORD run = AudioServiceState::generation();
    if (run == 0) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    // Windows refuses audio objects on an endpoint that is not active.
    if (EndpointCatalog::state(id_).value_or(0) != DEVICE_STATE_ACTIVE) {
        return AUDCLNT_E_DEVICE_INVALIDATED;
    }
    return handOut(new (std::nothrow) SessionManager(id_.text(), run), iid, out);
}

HRESULT AudioDevice::activateEffectsStore(const PROPVARIANT* parameters, void** out) const
{
    // The per-APO stores exist from the first Windows 11 build on.
    if (simulatedBuild() < kFirstEffectStoreBuild) {
        return E_NOINTERFACE;
    }
    if (parameters == nullptr || parameters->vt != VT_CLSID || parameters->puuid == nullptr) {
        return E_INVALIDARG;
    }
    wchar_t context[40];
    if (::StringFromGUID2(*parameters->puuid, context, 40) == 0) {
        return E_INVALIDARG;
    }
    if (!keyExists(HKEY_LOCAL_MACHINE, id_.fxPath() + L"\\" + context)) {
        return kElementNotFound;
    }
    return handOut(new (std::nothrow) EffectsPropertyStore(id_, context), __uuidof(IAudioSystemEffectsPropertyStore),
                   out);
}

HRESULT AudioDevice::OpenPropertyStore(DWORD access, IPropertyStore** store)
{
    if (store == nullptr) {
        return E_POINTER;
    }
    *store = nullptr;
    const auto mode = StoreAccess::from(access);
    if (!mode) {
        return E_INVALIDARG;
    }
    if (!EndpointCatalog::state(id_)) {
        return kElementNotFound;
    }
    return handOut(new (std::nothrow) RegistryPropertyStore(StoreAddress::device(id_), *mode), IID_IPropertyStore,
                   reinterpret_cast<void**>(store));
}

HRESULT AudioDevice::GetId(LPWSTR* id)
{
    return copyToTaskMemory(id_.text(), id);
}

HRESULT AudioDevice::GetState(DWORD* state)
{
    if (state == nullptr) {
        return E_POINTER;
    }
    const auto current = EndpointCatalog::state(id_);
    if (!current) {
        return kElementNotFound;
    }
    *state = *current;
    return S_OK;
}

HRESULT AudioDevice::GetDataFlow(EDataFlow* flow)
{
    if (flow == nullptr) {
        return E_POINTER;
    }
    *flow = id_.flow() == Flow::Render ? eRender : eCapture;
    return S_OK;
}

}  // namespace qevsim
