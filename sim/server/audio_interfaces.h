#pragma once

// The interfaces the simulator serves that mingw-w64 does not declare come from the base library
// (base/policy_config.h, base/audio_system_effects_property_store.h), the same declarations the
// product calls. How the simulator answers them:
//
// IPolicyConfig (class {870AF99C-171D-4F9E-AF0D-E63DF40C2BC9}): slots 3 to 10 (formats, periods,
// share mode) answer E_NOTIMPL; GetPropertyValue/SetPropertyValue with fxStore TRUE use the FX
// store (FxProperties), FALSE the device store (Properties); an empty PROPVARIANT written with
// SetPropertyValue removes the value and every write is announced as one through the store;
// SetDefaultEndpoint and SetEndpointVisibility change the machine. Unknown endpoint: 0x80070490.
//
// IAudioSystemEffectsPropertyStore, from IMMDevice::Activate with the effect CLSID as a VT_CLSID
// activation parameter: build >= 22000 only (E_NOINTERFACE on older builds); 0x80070490 when
// FxProperties has no key for that CLSID. Its stores open only where their key exists.

#include <windows.h>

#include <mmdeviceapi.h>

#include "base/audio_system_effects_property_store.h"
#include "base/policy_config.h"

namespace qevsim {

using qev::base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE;
using qev::base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_DEFAULT;
using qev::base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_USER;
using qev::base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_VOLATILE;
using qev::base::DeviceShareMode;
using qev::base::IAudioSystemEffectsPropertyChangeNotificationClient;
using qev::base::IAudioSystemEffectsPropertyStore;
using qev::base::IPolicyConfig;
using qev::base::kPolicyConfigClsid;

inline constexpr CLSID kDeviceEnumeratorClsid = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};

// 0x80070490, what Windows answers for an unknown endpoint or effect context.
inline constexpr HRESULT kElementNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

}  // namespace qevsim
