#include "datapath/context/qev_property_store_wrapper_capx.h"

#include <objbase.h>
#include <propvarutil.h>

#include "base/audio_system_effects_property_store.h"
#include "base/com_init.h"
#include "base/logging.h"
#include "base/prop_variant.h"
#include "base/utf8.h"
#include "datapath/catalogue/catalogue.h"
#include "datapath/context/feature_rows.h"
#include "datapath/context/property_key_text.h"

namespace qev::datapath {

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kStoreLine[] = "[func:%s, %d]%ls\n";
constexpr char kStoreMissing[] = "error!! [func:%s, %d]\n";
constexpr char kOperationFailed[] = "[func:%s, %d] error !! \n";
constexpr char kGetFunction[] = "qevCapxReg::getFXProperties_QEVEffect";
constexpr char kSetFunction[] = "qevCapxReg::setFXProperties_QEVEffect";

// The effect stores are reached from the multithreaded apartment, whichever thread asks.
base::ComInit com_for_call()
{
    return base::ComInit(COINIT_MULTITHREADED);
}

ComPtr<base::IAudioSystemEffectsPropertyStore> activate_effects_store(IMMDevice* device)
{
    ComPtr<base::IAudioSystemEffectsPropertyStore> effects;
    CLSID context{};
    base::PropVariant activation;
    const std::wstring clsid(kApoContextClsid);
    if (device == nullptr || FAILED(CLSIDFromString(clsid.c_str(), &context)) ||
        FAILED(InitPropVariantFromCLSID(context, activation.put())) ||
        FAILED(device->Activate(__uuidof(base::IAudioSystemEffectsPropertyStore), CLSCTX_ALL, activation.get(),
                                IID_PPV_ARGS_Helper(effects.ReleaseAndGetAddressOf())))) {
        return nullptr;
    }
    return effects;
}

HRESULT open_store(base::IAudioSystemEffectsPropertyStore* effects, int32_t kind, IPropertyStore** store)
{
    switch (kind) {
    case kFeatureStoreDefault:
        return effects->OpenDefaultPropertyStore(STGM_READWRITE, store);
    case kFeatureStoreUser:
        return effects->OpenUserPropertyStore(STGM_READWRITE, store);
    case kFeatureStoreVolatile:
        return effects->OpenVolatilePropertyStore(STGM_READWRITE, store);
    default:
        return E_INVALIDARG;
    }
}

}  // namespace

QevPropertyStoreWrapper_capx::QevPropertyStoreWrapper_capx(IMMDevice* device) : QevPropIntf(device)
{
    ready_ = device != nullptr;
}

ComPtr<IPropertyStore> QevPropertyStoreWrapper_capx::getStore(int32_t kind) const
{
    const ComPtr<base::IAudioSystemEffectsPropertyStore> effects = activate_effects_store(device());
    if (!effects) {
        base::log_printf(kStoreLine, "QevPropertyStoreWrapper_capx::getStore", 149,
                         L"fail to activate system effect property store");
        return nullptr;
    }
    ComPtr<IPropertyStore> store;
    if (FAILED(open_store(effects.Get(), kind, store.ReleaseAndGetAddressOf())) || !store) {
        base::log_printf(kStoreLine, "QevPropertyStoreWrapper_capx::getStore", 163, L"fail to get user property store");
        return nullptr;
    }
    return store;
}

bool QevPropertyStoreWrapper_capx::read(const FeatureKey* row, VARTYPE type, const ReadLines& lines,
                                        PROPVARIANT* value) const
{
    if (row == nullptr) {
        return false;
    }
    const ComPtr<IPropertyStore> store = getStore(row->store);
    if (!store) {
        base::log_printf(kStoreMissing, lines.store_function, lines.store_line);
        return false;
    }
    PROPERTYKEY key{};
    if (!ParsePropertyKeyText(row->pkey, &key)) {
        base::log_printf(kOperationFailed, kGetFunction, lines.parse_line);
        return false;
    }
    if (FAILED(store->GetValue(key, value))) {
        base::log_printf(kOperationFailed, kGetFunction, lines.read_line);
        return false;
    }
    if (value->vt != type) {
        base::log_printf("didn't get value, func:%s, line:%d, VAR.vt=%lu\n", kGetFunction, lines.type_line,
                         static_cast<unsigned long>(value->vt));
        return false;
    }
    return true;
}

bool QevPropertyStoreWrapper_capx::getProperties(std::string_view feature, std::wstring* value) const
{
    const base::ComInit com = com_for_call();
    base::PropVariant read_value;
    const ReadLines lines{"QevPropertyStoreWrapper_capx::getProperties", 197, 420, 427, 436};
    if (!read(FeatureRows::String(feature), VT_LPWSTR, lines, read_value.get())) {
        return false;
    }
    *value = read_value.value().pwszVal != nullptr ? read_value.value().pwszVal : L"";
    return true;
}

bool QevPropertyStoreWrapper_capx::getProperties(std::string_view feature, uint32_t* value) const
{
    const base::ComInit com = com_for_call();
    base::PropVariant read_value;
    const ReadLines lines{"QevPropertyStoreWrapper_capx::getProperties", 177, 382, 389, 399};
    if (!read(FeatureRows::Number(feature), VT_UI4, lines, read_value.get())) {
        return false;
    }
    *value = read_value.value().ulVal;
    return true;
}

bool QevPropertyStoreWrapper_capx::getProperties_multiSZ(std::string_view, std::vector<std::wstring>*) const
{
    base::log_printf("not supprt now!! func:%s, line:%d\n", "QevPropertyStoreWrapper_capx::getProperties_multiSZ", 221);
    return false;
}

bool QevPropertyStoreWrapper_capx::setProperties(std::string_view feature, const std::wstring& value) const
{
    const base::ComInit com = com_for_call();
    const FeatureKey* row = FeatureRows::String(feature);
    if (row == nullptr) {
        return false;
    }
    const ComPtr<IPropertyStore> store = getStore(row->store);
    if (!store) {
        base::log_printf(kStoreMissing, "QevPropertyStoreWrapper_capx::setProperties", 251);
        return false;
    }
    PROPERTYKEY key{};
    base::PropVariant text;
    HRESULT hr =
        ParsePropertyKeyText(row->pkey, &key) ? InitPropVariantFromString(value.c_str(), text.put()) : E_INVALIDARG;
    if (SUCCEEDED(hr)) {
        hr = store->SetValue(key, text.value());
    }
    if (SUCCEEDED(hr)) {
        hr = store->Commit();
    }
    if (FAILED(hr)) {
        base::log_printf("Failed to set value: %s, err: 0x%08X\n", base::utf8_from_wide(row->pkey).c_str(),
                         static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

bool QevPropertyStoreWrapper_capx::setProperties(std::string_view feature, uint32_t value) const
{
    const base::ComInit com = com_for_call();
    const FeatureKey* row = FeatureRows::Number(feature);
    if (row == nullptr) {
        return false;
    }
    const ComPtr<IPropertyStore> store = getStore(row->store);
    if (!store) {
        base::log_printf(kStoreMissing, "QevPropertyStoreWrapper_capx::setProperties", 233);
        return false;
    }
    // Always a VT_UI4, whatever the store held before: the APO and the readers take no other type.
    PROPERTYKEY key{};
    base::PropVariant number;
    number.get()->vt = VT_UI4;
    number.get()->ulVal = value;
    if (!ParsePropertyKeyText(row->pkey, &key) || FAILED(store->SetValue(key, number.value())) ||
        FAILED(store->Commit())) {
        base::log_printf(kOperationFailed, kSetFunction, 497);
        return false;
    }
    return true;
}

}  // namespace qev::datapath
