#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include "com_object.h"
#include "machine_layout.h"

namespace qevsim {

// IMMDevice and IMMEndpoint of one endpoint of the machine.
class AudioDevice final : public ComObject<IMMDevice, IMMEndpoint> {
public:
    explicit AudioDevice(EndpointId id);

    // IMMDevice
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** out) override;
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** store) override;
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override;
    // IMMEndpoint
    HRESULT STDMETHODCALLTYPE GetDataFlow(EDataFlow* flow) override;

    // A new device object for an id of the machine; 0x80070490 when there is no such endpoint.
    static HRESULT create(const std::wstring& id, IMMDevice** out);

private:
    HRESULT activateSessionManager(REFIID iid, void** out) const;
    HRESULT activateEffectsStore(const PROPVARIANT* parameters, void** out) const;

    const EndpointId id_;
};

}  // namespace qevsim
