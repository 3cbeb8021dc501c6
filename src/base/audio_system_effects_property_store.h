#pragma once

// The Windows 11 per-APO effect property stores (mmdeviceapi.h of the Windows 11 SDK; missing from
// mingw-w64), declared here in our own namespace so they never clash with an SDK that has them.
// The vtables, in slot order after IUnknown's three:
//
//   IAudioSystemEffectsPropertyChangeNotificationClient {20049D40-56D5-400E-A2EF-385599FEED49}
//    3  OnPropertyChanged(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type, const PROPERTYKEY key)
//
//   IAudioSystemEffectsPropertyStore {302AE7F9-D7E0-43E4-971B-1F8293613D2A}
//    3  OpenDefaultPropertyStore(DWORD stgmAccess, IPropertyStore** store)
//    4  OpenUserPropertyStore(DWORD stgmAccess, IPropertyStore** store)
//    5  OpenVolatilePropertyStore(DWORD stgmAccess, IPropertyStore** store)
//    6  ResetUserPropertyStore()
//    7  ResetVolatilePropertyStore()
//    8  RegisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client)
//    9  UnregisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client)
//
// It is obtained with IMMDevice::Activate, the effect CLSID in a VT_CLSID PROPVARIANT as the
// activation parameter (build 22000 and later).

#include <windows.h>

#include <propsys.h>

namespace qev::base {

enum AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE : int {
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_DEFAULT = 0,
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_USER = 1,
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_VOLATILE = 2,
    AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_ENUM_COUNT = 3,
};

struct DECLSPEC_UUID("20049D40-56D5-400E-A2EF-385599FEED49")
    DECLSPEC_NOVTABLE IAudioSystemEffectsPropertyChangeNotificationClient : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnPropertyChanged(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type,
                                                        const PROPERTYKEY key) = 0;

protected:
    ~IAudioSystemEffectsPropertyChangeNotificationClient() = default;
};

struct DECLSPEC_UUID("302AE7F9-D7E0-43E4-971B-1F8293613D2A") DECLSPEC_NOVTABLE IAudioSystemEffectsPropertyStore
    : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OpenDefaultPropertyStore(DWORD stgmAccess, IPropertyStore** store) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenUserPropertyStore(DWORD stgmAccess, IPropertyStore** store) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenVolatilePropertyStore(DWORD stgmAccess, IPropertyStore** store) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetUserPropertyStore() = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetVolatilePropertyStore() = 0;
    virtual HRESULT STDMETHODCALLTYPE
    RegisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    UnregisterPropertyChangeNotification(IAudioSystemEffectsPropertyChangeNotificationClient* client) = 0;

protected:
    ~IAudioSystemEffectsPropertyStore() = default;
};

}  // namespace qev::base

// __uuidof for mingw-w64 (DECLSPEC_UUID carries it for MSVC).
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(qev::base::IAudioSystemEffectsPropertyChangeNotificationClient, 0x20049D40, 0x56D5, 0x400E, 0xA2, 0xEF,
                0x38, 0x55, 0x99, 0xFE, 0xED, 0x49)
__CRT_UUID_DECL(qev::base::IAudioSystemEffectsPropertyStore, 0x302AE7F9, 0xD7E0, 0x43E4, 0x97, 0x1B, 0x1F, 0x82, 0x93,
                0x61, 0x3D, 0x2A)
#endif
