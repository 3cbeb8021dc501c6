#include "winaudio/audio_endpoint_property_store.h"

#include <objbase.h>
#include <propvarutil.h>

#include <exception>

#include "base/com_object.h"
#include "base/logging.h"
#include "sysinfo/os_version.h"
#include "winaudio/endpoint_queries.h"
#include "base/prop_variant.h"
#include "winaudio/string_vector_prop_variant.h"
#include "winsys/registry.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

namespace {

constexpr HRESULT kElementNotFound = static_cast<HRESULT>(0x80070490);
constexpr BOOL kFxStore = TRUE;

bool is_effect_kind(PropertyStoreType kind)
{
    return kind == Default || kind == User || kind == Volatile;
}

bool is_known_kind(PropertyStoreType kind)
{
    return kind >= Properties && kind <= Volatile;
}

}  // namespace

AudioEndpointPropertyStore::AudioEndpointPropertyStore(ComPtr<IMMDevice> device, const std::wstring& effectContext)
    : comInit_(kAudioComFlags, kAudioComFallbackFlags), processComInit_(ComInitGuard::Instance()),
      device_(std::move(device)), effectContext_(effectContext)
{
    read_windows_version();
    qev::winaudio::GetDeviceId(device_, deviceId_);
    build_key_paths();
    open_device_store();
    create_policy_config();
    stores_[Properties] = propertiesStore_;
    if (!effectContext_.empty() && isWindows11_) {
        open_effect_stores();
    }
}

AudioEndpointPropertyStore::~AudioEndpointPropertyStore()
{
    if (effectChangeHandler_) {
        effectChangeHandler_->Unregister();
    }
}

void AudioEndpointPropertyStore::read_windows_version()
{
    sysinfo::OsVersion version;
    try {
        if (sysinfo::GetOsVersion(version)) {
            osMajor_ = version.major;
            osMinor_ = version.minor;
            osBuild_ = version.build;
            isWindows11_ = version.build >= sysinfo::kWindows11FirstBuild;
        }
    } catch (const std::exception& error) {
        // An unreadable build number counts as "not Windows 11"; construction never fails.
        base::log_printf("Failed to read the Windows version: %s\n", error.what());
    }
}

void AudioEndpointPropertyStore::build_key_paths()
{
    EDataFlow flow = eAll;
    if (!GetDataFlow(device_, flow)) {
        return;
    }
    paths_ = EndpointKeyPaths::Build(deviceId_, flow, effectContext_, isWindows11_);
}

void AudioEndpointPropertyStore::open_device_store()
{
    if (!device_ || FAILED(device_->OpenPropertyStore(STGM_READWRITE, &propertiesStore_))) {
        base::log_wprintf(L"Failed to open Properties property store\n");
    }
}

void AudioEndpointPropertyStore::create_policy_config()
{
    const HRESULT hr = CoCreateInstance(base::kPolicyConfigClsid, nullptr, CLSCTX_ALL, __uuidof(base::IPolicyConfig),
                                        reinterpret_cast<void**>(policyConfig_.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to create policy config instance\n");
    }
}

void AudioEndpointPropertyStore::open_effect_stores()
{
    CLSID effect{};
    base::PropVariant activation;
    if (FAILED(CLSIDFromString(effectContext_.c_str(), &effect))) {
        base::log_wprintf(L"Failed to convert CLSID from string\n");
    } else if (FAILED(InitPropVariantFromCLSID(effect, activation.get()))) {
        base::log_wprintf(L"Failed to init propvariant from CLSID\n");
    } else {
        HRESULT hr = activate_effects_store(activation.value());
        if (hr == kElementNotFound) {
            create_effect_key_paths();
            hr = activate_effects_store(activation.value());
        }
        if (FAILED(hr)) {
            base::log_wprintf(L"Failed to activate property store, err: 0x%08X\n", static_cast<unsigned>(hr));
        } else {
            open_effect_store(&base::IAudioSystemEffectsPropertyStore::OpenDefaultPropertyStore, defaultStore_,
                              L"Failed to open Default property store\n");
            open_effect_store(&base::IAudioSystemEffectsPropertyStore::OpenUserPropertyStore, userStore_,
                              L"Failed to open User property store\n");
            open_effect_store(&base::IAudioSystemEffectsPropertyStore::OpenVolatilePropertyStore, volatileStore_,
                              L"Failed to open Volatile property store\n");
            effectChangeHandler_ = base::make_com<AudioSystemEffectPropertyChangedEventHandler>(effectsStore_);
        }
    }
    // The map holds the three kinds even when opening failed: they are then refused as invalid
    // rather than served by the FX store.
    stores_[Default] = defaultStore_;
    stores_[User] = userStore_;
    stores_[Volatile] = volatileStore_;
}

HRESULT AudioEndpointPropertyStore::activate_effects_store(const PROPVARIANT& activation)
{
    if (!device_) {
        return E_POINTER;
    }
    PROPVARIANT parameter = activation;  // shallow copy; Activate does not take ownership
    return device_->Activate(__uuidof(base::IAudioSystemEffectsPropertyStore), CLSCTX_ALL, &parameter,
                             reinterpret_cast<void**>(effectsStore_.ReleaseAndGetAddressOf()));
}

void AudioEndpointPropertyStore::create_effect_key_paths() const
{
    for (const std::wstring* path : {&paths_.defaultStore, &paths_.userStore, &paths_.volatileStore}) {
        if (!path->empty()) {
            winsys::create_key_path(*path);
        }
    }
}

void AudioEndpointPropertyStore::open_effect_store(
    HRESULT (STDMETHODCALLTYPE base::IAudioSystemEffectsPropertyStore::*open)(DWORD, IPropertyStore**),
    ComPtr<IPropertyStore>& store, const wchar_t* failureMessage)
{
    if (FAILED((effectsStore_.Get()->*open)(STGM_READWRITE, store.ReleaseAndGetAddressOf()))) {
        store.Reset();
        base::log_wprintf(failureMessage);
    }
}

AudioEndpointPropertyStore::Route AudioEndpointPropertyStore::choose(PropertyStoreType kind) const
{
    if (is_effect_kind(kind) && !isWindows11_) {
        return {Route::Kind::Refused, nullptr};
    }
    const auto found = stores_.find(kind);
    if (found == stores_.end()) {
        const bool usable = policyConfig_ && !deviceId_.empty();
        return {usable ? Route::Kind::PolicyConfig : Route::Kind::Missing, nullptr};
    }
    if (!found->second) {
        return {Route::Kind::Missing, nullptr};
    }
    return {Route::Kind::Store, found->second.Get()};
}

HRESULT AudioEndpointPropertyStore::read(const Route& route, const PROPERTYKEY& key, PROPVARIANT* value) const
{
    if (route.kind == Route::Kind::PolicyConfig) {
        return policyConfig_->GetPropertyValue(deviceId_.c_str(), kFxStore, key, value);
    }
    return route.store->GetValue(key, value);
}

// The store a getter or a writer uses: false (with the log line where there is one) when the kind
// is unknown, refused on this Windows version or has no store.
bool AudioEndpointPropertyStore::usable(PropertyStoreType kind, Route* route) const
{
    if (!is_known_kind(kind)) {
        base::log_wprintf(L"Unknown property store type: %d\n", static_cast<int>(kind));
        return false;
    }
    *route = choose(kind);
    if (route->kind == Route::Kind::Refused) {
        return false;
    }
    if (route->kind == Route::Kind::Missing) {
        base::log_wprintf(L"Invalid store instance\n");
        return false;
    }
    return true;
}

bool AudioEndpointPropertyStore::read_for_getter(PropertyStoreType kind, const PROPERTYKEY& key,
                                                 PROPVARIANT* value) const
{
    Route route{Route::Kind::Missing, nullptr};
    if (!usable(kind, &route)) {
        return false;
    }
    const HRESULT hr = read(route, key, value);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to get prop value, err: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    return value->vt != VT_EMPTY;
}

bool AudioEndpointPropertyStore::HasValue(PropertyStoreType kind, const PROPERTYKEY& key, bool& present) const
{
    present = true;
    if (!is_known_kind(kind)) {
        return false;
    }
    const Route route = choose(kind);
    if (route.kind == Route::Kind::Refused || route.kind == Route::Kind::Missing) {
        return false;
    }
    base::PropVariant value;
    if (FAILED(read(route, key, value.get()))) {
        return false;
    }
    present = value.type() != VT_EMPTY;
    return true;
}

bool AudioEndpointPropertyStore::GetString(PropertyStoreType kind, const PROPERTYKEY& key, std::wstring& value) const
{
    base::PropVariant read;
    if (!read_for_getter(kind, key, read.get())) {
        return false;
    }
    if (read.type() != VT_LPWSTR) {
        base::log_wprintf(L"Unexpected prop varaint type: %u\n", static_cast<unsigned>(read.type()));
        return false;
    }
    value = read.value().pwszVal != nullptr ? read.value().pwszVal : L"";
    return true;
}

bool AudioEndpointPropertyStore::GetStringVector(PropertyStoreType kind, const PROPERTYKEY& key,
                                                 std::vector<std::wstring>& value) const
{
    constexpr VARTYPE kStringVector = VT_VECTOR | VT_LPWSTR;
    base::PropVariant read;
    if (!read_for_getter(kind, key, read.get())) {
        return false;
    }
    if (read.type() != kStringVector) {
        base::log_wprintf(L"Incorrect prop varaint type, expected: %u\n", static_cast<unsigned>(kStringVector));
        return false;
    }
    std::vector<std::wstring> strings;
    const CALPWSTR& list = read.value().calpwstr;
    strings.reserve(list.cElems);
    for (ULONG index = 0; index < list.cElems; ++index) {
        strings.emplace_back(list.pElems[index] != nullptr ? list.pElems[index] : L"");
    }
    value = std::move(strings);
    return true;
}

bool AudioEndpointPropertyStore::GetDword(PropertyStoreType kind, const PROPERTYKEY& key, DWORD& value) const
{
    base::PropVariant read;
    if (!read_for_getter(kind, key, read.get())) {
        return false;
    }
    if (read.type() == VT_UI4) {
        value = read.value().ulVal;
        return true;
    }
    if (read.type() == VT_UINT) {
        value = read.value().uintVal;
        return true;
    }
    base::log_wprintf(L"Unexpected prop varaint type: %u\n", static_cast<unsigned>(read.type()));
    return false;
}

bool AudioEndpointPropertyStore::write(PropertyStoreType kind, const PROPERTYKEY& key, PROPVARIANT* value) const
{
    Route route{Route::Kind::Missing, nullptr};
    if (!usable(kind, &route)) {
        return false;
    }
    const HRESULT hr = route.kind == Route::Kind::PolicyConfig
                           ? policyConfig_->SetPropertyValue(deviceId_.c_str(), kFxStore, key, value)
                           : route.store->SetValue(key, *value);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to set prop value\n");
        return false;
    }
    return true;
}

bool AudioEndpointPropertyStore::SetString(PropertyStoreType kind, const PROPERTYKEY& key,
                                           const std::wstring& value) const
{
    base::PropVariant written;
    const size_t bytes = (value.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (copy == nullptr) {
        base::log_wprintf(L"Failed to init prop from string\n");
        return false;
    }
    std::copy(value.c_str(), value.c_str() + value.size() + 1, copy);
    written.get()->vt = VT_LPWSTR;
    written.get()->pwszVal = copy;
    return write(kind, key, written.get());
}

bool AudioEndpointPropertyStore::SetStringVector(PropertyStoreType kind, const PROPERTYKEY& key,
                                                 const std::vector<std::wstring>& value) const
{
    if (value.empty()) {
        return false;
    }
    base::PropVariant written;
    if (FAILED(InitStringVectorPropVariant(value, written.get()))) {
        base::log_wprintf(L"Failed to init prop from string vector\n");
        return false;
    }
    return write(kind, key, written.get());
}

bool AudioEndpointPropertyStore::SetDword(PropertyStoreType kind, const PROPERTYKEY& key, DWORD value) const
{
    base::PropVariant written;
    written.get()->vt = VT_UI4;
    written.get()->ulVal = value;
    return write(kind, key, written.get());
}

bool AudioEndpointPropertyStore::ClearFxValue(const PROPERTYKEY& key) const
{
    base::PropVariant empty;
    return write(FxProperties, key, empty.get());
}

HRESULT AudioEndpointPropertyStore::SetEndpointVisibility(bool visible) const
{
    if (!policyConfig_ || deviceId_.empty()) {
        return E_POINTER;
    }
    return policyConfig_->SetEndpointVisibility(deviceId_.c_str(), visible ? TRUE : FALSE);
}

}  // namespace qev::winaudio
