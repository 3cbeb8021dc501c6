#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <propsys.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

#include "winaudio/audio_system_effect_property_changed_event_handler.h"
#include "base/audio_system_effects_property_store.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_key_paths.h"
#include "base/policy_config.h"
#include "winaudio/property_store_type.h"

namespace qev::winaudio {

// All the property stores of one endpoint, opened at once, for one short task on one thread.
// Kind 0 is the device store, kind 1 the FX store (always through the policy-config object),
// kinds 2 to 4 the Windows 11 per-APO stores of the effect context. Construction never fails:
// what could not be opened stays empty and the operations that need it fail.
class AudioEndpointPropertyStore {
public:
    AudioEndpointPropertyStore(Microsoft::WRL::ComPtr<IMMDevice> device, const std::wstring& effectContext);
    ~AudioEndpointPropertyStore();
    AudioEndpointPropertyStore(const AudioEndpointPropertyStore&) = delete;
    AudioEndpointPropertyStore& operator=(const AudioEndpointPropertyStore&) = delete;

    // present is false only for an empty value; set to true on entry.
    bool HasValue(PropertyStoreType kind, const PROPERTYKEY& key, bool& present) const;
    bool GetString(PropertyStoreType kind, const PROPERTYKEY& key, std::wstring& value) const;
    bool GetStringVector(PropertyStoreType kind, const PROPERTYKEY& key, std::vector<std::wstring>& value) const;
    bool GetDword(PropertyStoreType kind, const PROPERTYKEY& key, DWORD& value) const;
    bool SetString(PropertyStoreType kind, const PROPERTYKEY& key, const std::wstring& value) const;
    bool SetStringVector(PropertyStoreType kind, const PROPERTYKEY& key, const std::vector<std::wstring>& value) const;
    bool SetDword(PropertyStoreType kind, const PROPERTYKEY& key, DWORD value) const;
    // Removes the value from the FX store.
    bool ClearFxValue(const PROPERTYKEY& key) const;
    // Shows or hides the endpoint through the policy-config object; E_POINTER without it or an id.
    HRESULT SetEndpointVisibility(bool visible) const;

    const std::wstring& GetEndpointKeyPath() const { return paths_.endpoint; }
    const std::wstring& GetPropertiesKeyPath() const { return paths_.properties; }
    const std::wstring& GetFxPropertiesKeyPath() const { return paths_.fxProperties; }
    const std::wstring& GetDefaultKeyPath() const { return paths_.defaultStore; }
    const std::wstring& GetUserKeyPath() const { return paths_.userStore; }
    const std::wstring& GetVolatileKeyPath() const { return paths_.volatileStore; }
    const std::wstring& GetDeviceId() const { return deviceId_; }
    base::IPolicyConfig* GetPolicyConfig() const { return policyConfig_.Get(); }
    bool IsWindows11() const { return isWindows11_; }

private:
    // How one operation reaches its store.
    struct Route {
        enum class Kind { Refused, Missing, PolicyConfig, Store } kind;
        IPropertyStore* store;
    };

    Route choose(PropertyStoreType kind) const;
    bool usable(PropertyStoreType kind, Route* route) const;
    HRESULT read(const Route& route, const PROPERTYKEY& key, PROPVARIANT* value) const;
    // Reads for the typed getters: false with the messages of a failed or empty read.
    bool read_for_getter(PropertyStoreType kind, const PROPERTYKEY& key, PROPVARIANT* value) const;
    bool write(PropertyStoreType kind, const PROPERTYKEY& key, PROPVARIANT* value) const;

    void read_windows_version();
    void build_key_paths();
    void open_device_store();
    void create_policy_config();
    void open_effect_stores();
    HRESULT activate_effects_store(const PROPVARIANT& activation);
    void create_effect_key_paths() const;
    void open_effect_store(HRESULT (STDMETHODCALLTYPE base::IAudioSystemEffectsPropertyStore::*open)(DWORD,
                                                                                                     IPropertyStore**),
                           Microsoft::WRL::ComPtr<IPropertyStore>& store, const wchar_t* failureMessage);

    // Members in this order so that destruction releases the stores before undoing COM.
    base::ComInit comInit_;
    ComInitGuard& processComInit_;
    Microsoft::WRL::ComPtr<AudioSystemEffectPropertyChangedEventHandler> effectChangeHandler_;
    Microsoft::WRL::ComPtr<IMMDevice> device_;
    Microsoft::WRL::ComPtr<IPropertyStore> propertiesStore_;
    Microsoft::WRL::ComPtr<IPropertyStore> defaultStore_;
    Microsoft::WRL::ComPtr<IPropertyStore> userStore_;
    Microsoft::WRL::ComPtr<IPropertyStore> volatileStore_;
    Microsoft::WRL::ComPtr<base::IPolicyConfig> policyConfig_;
    Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> effectsStore_;
    std::map<PropertyStoreType, Microsoft::WRL::ComPtr<IPropertyStore>> stores_;
    std::wstring effectContext_;
    EndpointKeyPaths paths_;
    bool isWindows11_ = false;
    unsigned osMajor_ = 0;
    unsigned osMinor_ = 0;
    unsigned osBuild_ = 0;
    std::wstring deviceId_;
};

}  // namespace qev::winaudio
