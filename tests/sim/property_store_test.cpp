// Every property store and the registry see one machine: what one writes, the other reads, in the
// store's own key and with the registry types Windows uses.
#include <gtest/gtest.h>

#include <propvarutil.h>

#include <cstring>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kListKey[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14";
constexpr wchar_t kStringKey[] = L"{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f},100";

using Setter = std::function<HRESULT(const PROPERTYKEY&, const PROPVARIANT&)>;
using Getter = std::function<HRESULT(const PROPERTYKEY&, PROPVARIANT*)>;

std::vector<BYTE> bytesOf(const std::wstring& text)
{
    const auto* data = reinterpret_cast<const BYTE*>(text.c_str());
    return {data, data + (text.size() + 1) * sizeof(wchar_t)};
}

TEST(PropertyStoreTest, EachStoreWritesAndReadsItsOwnKeyWithWindowsTypes)
{
    ComScope com;
    ASSERT_NO_FATAL_FAILURE(loadTestMachine());
    const auto policy = makePolicyConfig();
    ComPtr<IAudioSystemEffectsPropertyStore> effects;
    ASSERT_EQ(activateEffectsStore(kMic, &effects), S_OK);
    ComPtr<IPropertyStore> deviceStore, user, volatileStore;
    ASSERT_EQ(device(kMic)->OpenPropertyStore(STGM_READWRITE, deviceStore.GetAddressOf()), S_OK);
    ASSERT_EQ(effects->OpenUserPropertyStore(STGM_READWRITE, user.GetAddressOf()), S_OK);
    ASSERT_EQ(effects->OpenVolatilePropertyStore(STGM_READWRITE, volatileStore.GetAddressOf()), S_OK);
    const auto policyStore = [&](BOOL fx) {
        return std::pair<Setter, Getter>{
            [=](const PROPERTYKEY& k, const PROPVARIANT& v) {
                return policy->SetPropertyValue(kSpeakers, fx, k, const_cast<PROPVARIANT*>(&v));
            },
            [=](const PROPERTYKEY& k, PROPVARIANT* v) { return policy->GetPropertyValue(kSpeakers, fx, k, v); }};
    };
    const auto store = [](const ComPtr<IPropertyStore>& s) {
        return std::pair<Setter, Getter>{[=](const PROPERTYKEY& k, const PROPVARIANT& v) { return s->SetValue(k, v); },
                                         [=](const PROPERTYKEY& k, PROPVARIANT* v) { return s->GetValue(k, v); }};
    };
    const struct {
        const char* name;
        std::pair<Setter, Getter> access;
        std::wstring path;
    } stores[] = {
        {"policy config, FX", policyStore(TRUE), std::wstring(kSpeakersKey) + L"\\FxProperties"},
        {"policy config, device", policyStore(FALSE), std::wstring(kSpeakersKey) + L"\\Properties"},
        {"IMMDevice store", store(deviceStore), std::wstring(kMicKey) + L"\\Properties"},
        {"user store", store(user), storePath(kMicKey, L"User")},
        {"volatile store", store(volatileStore), storePath(kMicKey, L"Volatile")},
    };
    PROPVARIANT text, clsid, signedNumber, blob;
    ASSERT_EQ(InitPropVariantFromString(L"SWD\\DRIVERENUM\\apo", &text), S_OK);
    ASSERT_EQ(InitPropVariantFromCLSID({0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}}, &clsid), S_OK);
    PropVariantInit(&signedNumber);
    signedNumber.vt = VT_I4;
    signedNumber.lVal = -5;
    PropVariantInit(&blob);
    blob.vt = VT_BLOB;
    blob.blob.cbSize = 4;
    blob.blob.pBlobData = static_cast<BYTE*>(::CoTaskMemAlloc(4));
    std::memcpy(blob.blob.pBlobData, "\x01\x02\x00\x04", 4);
    struct {
        const wchar_t* key;
        PROPVARIANT value;
        DWORD type;
        std::vector<BYTE> raw;
    } values[] = {
        {kStringKey, text, REG_SZ, bytesOf(L"SWD\\DRIVERENUM\\apo")},
        {kListKey, stringList({L"{A}", L"{B}"}), REG_MULTI_SZ, bytesOf(std::wstring(L"{A}\0{B}\0", 8))},
        {kSetting, number(5), REG_DWORD, {5, 0, 0, 0}},
        // Other types keep theirs in a header: WORD vt, WORD 0, DWORD size.
        {kSetting, signedNumber, REG_BINARY, {VT_I4, 0, 0, 0, 4, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF}},
        {kSetting, clsid, REG_BINARY, {VT_CLSID, 0, 0, 0, 16, 0,  0,  0,  4,  3,  2,  1,
                                       6,        5, 8, 7, 9,  10, 11, 12, 13, 14, 15, 16}},
        {kSetting, blob, REG_BINARY, {0x41, 0, 0, 0, 4, 0, 0, 0, 1, 2, 0, 4}},
    };
    for (const auto& s : stores) {
        for (const auto& v : values) {
            ASSERT_EQ(s.access.first(key(v.key), v.value), S_OK) << s.name;
            const RawValue raw = rawRead(s.path, v.key);
            EXPECT_EQ(raw.type, v.type) << s.name;
            EXPECT_EQ(raw.data, v.raw) << s.name;
            PROPVARIANT back;
            ASSERT_EQ(s.access.second(key(v.key), &back), S_OK) << s.name;
            EXPECT_EQ(back.vt, v.value.vt) << s.name;
            PropVariantClear(&back);
        }
        const DWORD two = 2;
        ASSERT_EQ(rawWrite(s.path, kSetting, REG_DWORD, &two, sizeof(two)), ERROR_SUCCESS);
        PROPVARIANT back;
        ASSERT_EQ(s.access.second(key(kSetting), &back), S_OK) << s.name;
        EXPECT_TRUE(back.vt == VT_UI4 && back.ulVal == 2) << s.name;
        PROPVARIANT empty;
        PropVariantInit(&empty);
        EXPECT_EQ(s.access.first(key(kSetting), empty), S_OK) << s.name;
        EXPECT_EQ(rawRead(s.path, kSetting).status, ERROR_FILE_NOT_FOUND) << s.name << ": an empty value removes it";
        EXPECT_EQ(s.access.first(key(kSetting), empty), S_OK) << s.name << ": clearing an absent value";
    }
    for (auto& v : values) {
        PropVariantClear(&v.value);
    }
    // Resetting the user store empties its key and leaves the defaults of the machine file alone.
    ASSERT_EQ(effects->ResetUserPropertyStore(), S_OK);
    EXPECT_EQ(rawRead(storePath(kMicKey, L"User"), kStringKey).status, ERROR_FILE_NOT_FOUND);
    ComPtr<IPropertyStore> defaults;
    ASSERT_EQ(effects->OpenDefaultPropertyStore(STGM_READ, defaults.GetAddressOf()), S_OK);
    PROPVARIANT value;
    ASSERT_EQ(defaults->GetValue(key(L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9980"), &value), S_OK);
    EXPECT_TRUE(value.vt == VT_UI4 && value.ulVal == 7);
}

TEST(PropertyStoreTest, StoreOfARemovedEndpointNeitherWritesNorRecreatesIt)
{
    ComScope com;
    ASSERT_NO_FATAL_FAILURE(loadTestMachine());
    ComPtr<IPropertyStore> store;
    ASSERT_EQ(device(kSpeakers)->OpenPropertyStore(STGM_READWRITE, store.GetAddressOf()), S_OK);
    mustRunQevsim({L"remove-endpoint", kSpeakers});
    EXPECT_EQ(store->SetValue(key(kSetting), number(1)), kElementNotFound);
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, kSpeakersKey));
}

}  // namespace
}  // namespace qevsim::test
