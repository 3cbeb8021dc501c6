// The property-store side and the registry side see one machine: what one writes, the other
// reads, with the registry types Windows uses.
#include <gtest/gtest.h>

#include <propvarutil.h>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kListKey[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14";
constexpr wchar_t kDwordKey[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666";
constexpr wchar_t kStringKey[] = L"{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f},100";

class PropertyStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
        policy_ = makePolicyConfig();
        ASSERT_TRUE(policy_);
    }

    std::wstring fxPath() const { return std::wstring(kSpeakersKey) + L"\\FxProperties"; }

    ComScope com_;
    ComPtr<IPolicyConfig> policy_;
};

TEST_F(PropertyStoreTest, FxWritesThroughPolicyConfigLandInTheRegistryWithWindowsTypes)
{
    PROPVARIANT text;
    ASSERT_EQ(InitPropVariantFromString(L"SWD\\DRIVERENUM\\apo", &text), S_OK);
    EXPECT_EQ(policy_->SetPropertyValue(kSpeakers, TRUE, key(kStringKey), &text), S_OK);
    PropVariantClear(&text);
    RawValue raw = rawRead(fxPath(), kStringKey);
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(rawString(raw), L"SWD\\DRIVERENUM\\apo");

    const wchar_t* items[] = {L"{AAAAAAAA-0000-4000-8000-000000000001}", L"{F005D60E-B43A-46CF-BAD3-6ACB1D314511}"};
    PROPVARIANT list = stringList({items[0], items[1]});
    EXPECT_EQ(policy_->SetPropertyValue(kSpeakers, TRUE, key(kListKey), &list), S_OK);
    PropVariantClear(&list);
    raw = rawRead(fxPath(), kListKey);
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_MULTI_SZ));
    const std::wstring joined(reinterpret_cast<const wchar_t*>(raw.data.data()), raw.data.size() / 2);
    EXPECT_EQ(joined, std::wstring(items[0]) + L'\0' + items[1] + L'\0' + L'\0');

    PROPVARIANT number;
    ASSERT_EQ(InitPropVariantFromUInt32(1, &number), S_OK);
    EXPECT_EQ(policy_->SetPropertyValue(kSpeakers, TRUE, key(kDwordKey), &number), S_OK);
    raw = rawRead(fxPath(), kDwordKey);
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(raw.data.data()), 1u);
    // The device store (flag 0) is another key: nothing landed there.
    EXPECT_EQ(rawRead(std::wstring(kSpeakersKey) + L"\\Properties", kDwordKey).status, ERROR_FILE_NOT_FOUND);
}

TEST_F(PropertyStoreTest, RegistryWritesAreReadThroughTheStores)
{
    const DWORD two = 2;
    ASSERT_EQ(rawWrite(fxPath(), kDwordKey, REG_DWORD, &two, sizeof(two)), ERROR_SUCCESS);
    const wchar_t text[] = L"from the registry";
    ASSERT_EQ(rawWrite(fxPath(), kStringKey, REG_SZ, text, sizeof(text)), ERROR_SUCCESS);

    PROPVARIANT value;
    ASSERT_EQ(policy_->GetPropertyValue(kSpeakers, TRUE, key(kDwordKey), &value), S_OK);
    EXPECT_EQ(value.vt, VT_UI4);
    EXPECT_EQ(value.ulVal, 2u);
    PropVariantClear(&value);
    ASSERT_EQ(policy_->GetPropertyValue(kSpeakers, TRUE, key(kStringKey), &value), S_OK);
    ASSERT_EQ(value.vt, VT_LPWSTR);
    EXPECT_STREQ(value.pwszVal, text);
    PropVariantClear(&value);
    // The list the machine file wrote reads as a string vector.
    ASSERT_EQ(policy_->GetPropertyValue(kSpeakers, TRUE, key(kListKey), &value), S_OK);
    ASSERT_EQ(value.vt, VT_VECTOR | VT_LPWSTR);
    ASSERT_EQ(value.calpwstr.cElems, 1u);
    EXPECT_STREQ(value.calpwstr.pElems[0], L"{AAAAAAAA-0000-4000-8000-000000000001}");
    PropVariantClear(&value);

    // The device store of IMMDevice serves the Properties key.
    ComPtr<IPropertyStore> store;
    ASSERT_EQ(device(kSpeakers)->OpenPropertyStore(STGM_READ, store.GetAddressOf()), S_OK);
    ASSERT_EQ(store->GetValue(key(L"{a45c254e-df1c-4efd-8020-67d146a850e0},14"), &value), S_OK);
    ASSERT_EQ(value.vt, VT_LPWSTR);
    EXPECT_STREQ(value.pwszVal, L"Test Speakers");
    PropVariantClear(&value);
}

TEST_F(PropertyStoreTest, EmptyValueRemovesTheRegistryValue)
{
    PROPVARIANT number;
    ASSERT_EQ(InitPropVariantFromUInt32(5, &number), S_OK);
    ASSERT_EQ(policy_->SetPropertyValue(kSpeakers, TRUE, key(kDwordKey), &number), S_OK);
    ASSERT_EQ(rawRead(fxPath(), kDwordKey).status, ERROR_SUCCESS);

    PROPVARIANT empty;
    PropVariantInit(&empty);
    EXPECT_EQ(policy_->SetPropertyValue(kSpeakers, TRUE, key(kDwordKey), &empty), S_OK);
    EXPECT_EQ(rawRead(fxPath(), kDwordKey).status, ERROR_FILE_NOT_FOUND);
    PROPVARIANT back;
    ASSERT_EQ(policy_->GetPropertyValue(kSpeakers, TRUE, key(kDwordKey), &back), S_OK);
    EXPECT_EQ(back.vt, VT_EMPTY);
    // Clearing an absent value is fine and changes nothing.
    EXPECT_EQ(policy_->SetPropertyValue(kSpeakers, TRUE, key(kDwordKey), &empty), S_OK);
}

TEST_F(PropertyStoreTest, ReadOnlyStoreRefusesWritesAndReadWriteStoreWritesThrough)
{
    ComPtr<IPropertyStore> readOnly;
    ASSERT_EQ(device(kSpeakers)->OpenPropertyStore(STGM_READ, readOnly.GetAddressOf()), S_OK);
    PROPVARIANT number;
    ASSERT_EQ(InitPropVariantFromUInt32(9, &number), S_OK);
    EXPECT_EQ(readOnly->SetValue(key(kDwordKey), number), STG_E_ACCESSDENIED);
    const std::wstring properties = std::wstring(kSpeakersKey) + L"\\Properties";
    EXPECT_EQ(rawRead(properties, kDwordKey).status, ERROR_FILE_NOT_FOUND);

    ComPtr<IPropertyStore> writable;
    ASSERT_EQ(device(kSpeakers)->OpenPropertyStore(STGM_READWRITE, writable.GetAddressOf()), S_OK);
    EXPECT_EQ(writable->SetValue(key(kDwordKey), number), S_OK);
    EXPECT_EQ(rawRead(properties, kDwordKey).status, ERROR_SUCCESS);
    // GetCount/GetAt list the property values only (not DeviceState and the like).
    DWORD count = 0;
    ASSERT_EQ(writable->GetCount(&count), S_OK);
    EXPECT_EQ(count, 2u);
    PROPERTYKEY listed{};
    EXPECT_EQ(writable->GetAt(count, &listed), E_INVALIDARG);
}

TEST_F(PropertyStoreTest, UnknownOrRemovedEndpointsAreNotFoundAndNotRecreated)
{
    PROPVARIANT value;
    EXPECT_EQ(policy_->GetPropertyValue(L"{0.0.0.00000000}.{99999999-0000-4000-8000-000000000009}", TRUE,
                                        key(kDwordKey), &value),
              kElementNotFound);
    EXPECT_EQ(policy_->GetPropertyValue(L"not an id", TRUE, key(kDwordKey), &value), kElementNotFound);

    ComPtr<IPropertyStore> store;
    ASSERT_EQ(device(kSpeakers)->OpenPropertyStore(STGM_READWRITE, store.GetAddressOf()), S_OK);
    const ToolResult removed = runQevsim({L"remove-endpoint", kSpeakers});
    ASSERT_EQ(removed.exitCode, 0u) << removed.output;
    PROPVARIANT number;
    ASSERT_EQ(InitPropVariantFromUInt32(1, &number), S_OK);
    EXPECT_EQ(store->SetValue(key(kDwordKey), number), kElementNotFound);
    HKEY probe = nullptr;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSpeakersKey, 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace qevsim::test
