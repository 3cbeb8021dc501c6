#pragma once

// Interfaces the simulator serves that mingw-w64 does not declare. The product declares the same
// shapes on its own side (src/ never includes this file); both must keep these exact vtables.
//
// IPolicyConfig, IID {F8679F50-850A-41CF-9C72-430F290290C8}, class {870AF99C-171D-4F9E-AF0D-E63DF40C2BC9}
// (the Windows 7 and later shape), slots after IUnknown's 0-2:
//    3  GetMixFormat(PCWSTR deviceId, WAVEFORMATEX** format)                              E_NOTIMPL
//    4  GetDeviceFormat(PCWSTR deviceId, INT defaultFormat, WAVEFORMATEX** format)        E_NOTIMPL
//    5  ResetDeviceFormat(PCWSTR deviceId)                                                E_NOTIMPL
//    6  SetDeviceFormat(PCWSTR deviceId, WAVEFORMATEX* endpoint, WAVEFORMATEX* mix)       E_NOTIMPL
//    7  GetProcessingPeriod(PCWSTR deviceId, INT default, PINT64 period, PINT64 minimum)  E_NOTIMPL
//    8  SetProcessingPeriod(PCWSTR deviceId, PINT64 period)                               E_NOTIMPL
//    9  GetShareMode(PCWSTR deviceId, DeviceShareMode* mode)                              E_NOTIMPL
//   10  SetShareMode(PCWSTR deviceId, DeviceShareMode* mode)                              E_NOTIMPL
//   11  GetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key, PROPVARIANT* value)
//   12  SetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key, PROPVARIANT* value)
//   13  SetDefaultEndpoint(PCWSTR deviceId, ERole role)
//   14  SetEndpointVisibility(PCWSTR deviceId, BOOL visible)
// fxStore TRUE selects the FX store (FxProperties), FALSE the device store (Properties); an empty
// PROPVARIANT written with SetPropertyValue removes the value. Unknown endpoint: 0x80070490.
//
// IAudioSystemEffectsPropertyStore, IID {302AE7F9-D7E0-43E4-971B-1F8293613D2A}, from
// IMMDevice::Activate with the effect CLSID as a VT_CLSID activation parameter (build >= 22000;
// 0x80070490 when FxProperties has no key for that CLSID; E_NOINTERFACE on older builds):
//    3  OpenDefaultPropertyStore(DWORD stgmAccess, IPropertyStore** store)
//    4  OpenUserPropertyStore(DWORD stgmAccess, IPropertyStore** store)
//    5  OpenVolatilePropertyStore(DWORD stgmAccess, IPropertyStore** store)
//    6  ResetUserPropertyStore()
//    7  ResetVolatilePropertyStore()
//    8  RegisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client)
//    9  UnregisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client)
//
// IAudioSystemEffectsPropertyChangeNotificationClient, IID {20049D40-56D5-400E-A2EF-385599FEED49}:
//    3  OnPropertyChanged(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type, const PROPERTYKEY key)
// All methods are STDMETHODCALLTYPE.

#include <windows.h>

#include <mmdeviceapi.h>
#include <mmreg.h>
#include <propidl.h>
#include <propsys.h>

namespace qevsim {

inline constexpr CLSID kPolicyConfigClsid = {
    0x870AF99C, 0x171D, 0x4F9E, {0xAF, 0x0D, 0xE6, 0x3D, 0xF4, 0x0C, 0x2B, 0xC9}};
inline constexpr IID kPolicyConfigIid = {
    0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}};
inline constexpr CLSID kDeviceEnumeratorClsid = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
inline constexpr IID kAudioSystemEffectsPropertyStoreIid = {
    0x302AE7F9, 0xD7E0, 0x43E4, {0x97, 0x1B, 0x1F, 0x82, 0x93, 0x61, 0x3D, 0x2A}};
inline constexpr IID kAudioSystemEffectsPropertyChangeNotificationClientIid = {
    0x20049D40, 0x56D5, 0x400E, {0xA2, 0xEF, 0x38, 0x55, 0x99, 0xFE, 0xED, 0x49}};

enum AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE : int {
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_DEFAULT = 0,
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_USER = 1,
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_VOLATILE = 2,
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_ENUM_COUNT = 3,
};

struct DeviceShareMode;

struct IPolicyConfig : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetMixFormat(PCWSTR deviceId, WAVEFORMATEX** format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceFormat(PCWSTR deviceId, INT defaultFormat,
                                                      WAVEFORMATEX** format) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetDeviceFormat(PCWSTR deviceId) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDeviceFormat(PCWSTR deviceId, WAVEFORMATEX* endpointFormat,
                                                      WAVEFORMATEX* mixFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProcessingPeriod(PCWSTR deviceId, INT defaultPeriod,
                                                          PINT64 defaultPeriodOut, PINT64 minimumPeriod) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProcessingPeriod(PCWSTR deviceId, PINT64 period) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetShareMode(PCWSTR deviceId, DeviceShareMode* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetShareMode(PCWSTR deviceId, DeviceShareMode* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key,
                                                       PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key,
                                                       PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(PCWSTR deviceId, ERole role) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEndpointVisibility(PCWSTR deviceId, BOOL visible) = 0;
};

struct IAudioSystemEffectsPropertyChangeNotificationClient : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnPropertyChanged(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type,
                                                        const PROPERTYKEY key) = 0;
};

struct IAudioSystemEffectsPropertyStore : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OpenDefaultPropertyStore(DWORD stgmAccess, IPropertyStore** store) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenUserPropertyStore(DWORD stgmAccess, IPropertyStore** store) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenVolatilePropertyStore(DWORD stgmAccess, IPropertyStore** store) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetUserPropertyStore() = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetVolatilePropertyStore() = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterPropertyChangeNotification(
        IAudioSystemEffectsPropertyChangeNotificationClient* client) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnregisterPropertyChangeNotification(
        IAudioSystemEffectsPropertyChangeNotificationClient* client) = 0;
};

// 0x80070490, what Windows answers for an unknown endpoint or effect context.
inline constexpr HRESULT kElementNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

}  // namespace qevsim
