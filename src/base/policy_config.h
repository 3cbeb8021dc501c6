#pragma once

// The audio policy-configuration object. Windows ships it without a public header; this is its
// Windows 7 and later shape. Everything that implements or calls it must keep this exact vtable:
//
//   slot  method
//    0    QueryInterface
//    1    AddRef
//    2    Release
//    3    GetMixFormat(PCWSTR deviceId, WAVEFORMATEX** format)
//    4    GetDeviceFormat(PCWSTR deviceId, INT defaultFormat, WAVEFORMATEX** format)
//    5    ResetDeviceFormat(PCWSTR deviceId)
//    6    SetDeviceFormat(PCWSTR deviceId, WAVEFORMATEX* endpointFormat, WAVEFORMATEX* mixFormat)
//    7    GetProcessingPeriod(PCWSTR deviceId, INT defaultPeriod, PINT64 defaultPeriodOut, PINT64 minimumPeriod)
//    8    SetProcessingPeriod(PCWSTR deviceId, PINT64 period)
//    9    GetShareMode(PCWSTR deviceId, DeviceShareMode* mode)
//   10    SetShareMode(PCWSTR deviceId, DeviceShareMode* mode)
//   11    GetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key, PROPVARIANT* value)
//   12    SetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key, PROPVARIANT* value)
//   13    SetDefaultEndpoint(PCWSTR deviceId, ERole role)
//   14    SetEndpointVisibility(PCWSTR deviceId, BOOL visible)
//
// fxStore = TRUE selects the endpoint's FX store, FALSE its device store. An empty PROPVARIANT
// written with SetPropertyValue removes the value. All methods are STDMETHODCALLTYPE.

#include <windows.h>

#include <mmdeviceapi.h>
#include <mmreg.h>
#include <propidl.h>

namespace qev::base {

// CLSID {870AF99C-171D-4F9E-AF0D-E63DF40C2BC9}
inline constexpr CLSID kPolicyConfigClsid = {
    0x870AF99C, 0x171D, 0x4F9E, {0xAF, 0x0D, 0xE6, 0x3D, 0xF4, 0x0C, 0x2B, 0xC9}};

// Opaque to callers of this interface; only passed through by pointer.
struct DeviceShareMode;

struct DECLSPEC_UUID("F8679F50-850A-41CF-9C72-430F290290C8") DECLSPEC_NOVTABLE IPolicyConfig : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetMixFormat(PCWSTR deviceId, WAVEFORMATEX** format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceFormat(PCWSTR deviceId, INT defaultFormat, WAVEFORMATEX** format) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetDeviceFormat(PCWSTR deviceId) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDeviceFormat(PCWSTR deviceId, WAVEFORMATEX* endpointFormat,
                                                      WAVEFORMATEX* mixFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProcessingPeriod(PCWSTR deviceId, INT defaultPeriod, PINT64 defaultPeriodOut,
                                                          PINT64 minimumPeriod) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProcessingPeriod(PCWSTR deviceId, PINT64 period) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetShareMode(PCWSTR deviceId, DeviceShareMode* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetShareMode(PCWSTR deviceId, DeviceShareMode* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key,
                                                       PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPropertyValue(PCWSTR deviceId, BOOL fxStore, const PROPERTYKEY& key,
                                                       PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(PCWSTR deviceId, ERole role) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEndpointVisibility(PCWSTR deviceId, BOOL visible) = 0;

protected:
    ~IPolicyConfig() = default;
};

}  // namespace qev::base

// __uuidof for mingw-w64 (DECLSPEC_UUID carries it for MSVC).
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(qev::base::IPolicyConfig, 0xF8679F50, 0x850A, 0x41CF, 0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8)
#endif
