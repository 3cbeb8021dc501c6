#pragma once

#include <windows.h>

#include "audio_interfaces.h"
#include "com_object.h"

namespace qevsim {

// The policy-config object (class {870AF99C-171D-4F9E-AF0D-E63DF40C2BC9}): property access to the
// device and FX stores by endpoint id, default endpoints and endpoint visibility.
class PolicyConfig final : public ComObject<IPolicyConfig> {
public:
    HRESULT STDMETHODCALLTYPE GetMixFormat(PCWSTR, WAVEFORMATEX**) override;
    HRESULT STDMETHODCALLTYPE GetDeviceFormat(PCWSTR, INT, WAVEFORMATEX**) override;
    HRESULT STDMETHODCALLTYPE ResetDeviceFormat(PCWSTR) override;
    HRESULT STDMETHODCALLTYPE SetDeviceFormat(PCWSTR, WAVEFORMATEX*, WAVEFORMATEX*) override;
    HRESULT STDMETHODCALLTYPE GetProcessingPeriod(PCWSTR, INT, PINT64, PINT64) override;
    HRESULT STDMETHODCALLTYPE SetProcessingPeriod(PCWSTR, PINT64) override;
    HRESULT STDMETHODCALLTYPE GetShareMode(PCWSTR, DeviceShareMode*) override;
    HRESULT STDMETHODCALLTYPE SetShareMode(PCWSTR, DeviceShareMode*) override;
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key,
                                               PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key,
                                               PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(PCWSTR deviceId, ERole role) override;
    HRESULT STDMETHODCALLTYPE SetEndpointVisibility(PCWSTR deviceId, BOOL visible) override;
};

}  // namespace qevsim
