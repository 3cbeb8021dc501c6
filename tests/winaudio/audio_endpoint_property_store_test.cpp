#include "winaudio/audio_endpoint_property_store.h"

#include <propsys.h>
#include <wrl/client.h>

#include <atomic>

#include "counting_effects_device.h"
#include "log_capture.h"
#include "sim_fixture.h"
#include "winaudio/endpoint_queries.h"
#include "base/prop_variant.h"
#include "winsys/registry.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {
namespace {

// Value names in the registry are the keys' text form.
constexpr PROPERTYKEY kListedKey = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}},
                                    6666};
constexpr wchar_t kListedName[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666";
constexpr PROPERTYKEY kLevelKey = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}},
                                   9981};
constexpr wchar_t kLevelName[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9981";
constexpr PROPERTYKEY kModeListKey = {{0xD04E05A6, 0x594B, 0x4FB6, {0xA8, 0x0D, 0x01, 0xAF, 0x5E, 0xED, 0x7D, 0x1D}},
                                      14};
constexpr wchar_t kModeListName[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14";
constexpr PROPERTYKEY kFriendlyNameKey = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// The value's name as stored, found in any letter case (the simulator may spell the GUID either way).
std::wstring StoredName(const std::wstring& subkey, const std::wstring& name)
{
    std::vector<std::wstring> names;
    winsys::enum_values(subkey, names);
    for (const auto& stored : names) {
        if (SameText(stored, name)) {
            return stored;
        }
    }
    return {};
}

bool RegistryHasValue(const std::wstring& subkey, const std::wstring& name)
{
    return !StoredName(subkey, name).empty();
}

bool ReadRegistryDword(const std::wstring& subkey, const std::wstring& name, DWORD& value)
{
    const std::wstring stored = StoredName(subkey, name);
    return !stored.empty() && winsys::read_dword(HKEY_LOCAL_MACHINE, subkey, stored, value);
}

class PropertyStoreTest : public SimTest {
protected:
    void Load(unsigned build)
    {
        SimMachine::Fresh(build);
        id_ = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone Array");
        ASSERT_TRUE(GetDeviceById(id_, device_));
    }

    std::wstring id_;
    ComPtr<IMMDevice> device_;
};

TEST_F(PropertyStoreTest, KeyPathsAndIdComeFromTheEndpoint)
{
    Load(kWindows11Build);
    AudioEndpointPropertyStore store(device_, kEffectContext);
    const std::wstring endpoint =
        std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\") + kMicrophoneGuid;
    EXPECT_EQ(store.GetDeviceId(), id_);
    EXPECT_TRUE(store.IsWindows11());
    EXPECT_NE(store.GetPolicyConfig(), nullptr);
    EXPECT_TRUE(SameText(store.GetEndpointKeyPath(), endpoint));
    EXPECT_TRUE(SameText(store.GetUserKeyPath(), endpoint + L"\\FxProperties\\" + kEffectContext + L"\\User"));
}

TEST_F(PropertyStoreTest, Windows11MissingEffectKeysAreCreatedAndActivationRetried)
{
    Load(kWindows11Build);
    LogCapture log;
    AudioEndpointPropertyStore store(device_, kEffectContext);
    for (const std::wstring& path : {store.GetDefaultKeyPath(), store.GetUserKeyPath(), store.GetVolatileKeyPath()}) {
        EXPECT_TRUE(RegistryKeyExists(path)) << std::string(path.begin(), path.end());
    }
    EXPECT_EQ(log.count(L"Failed to activate property store, err: 0x80070490\n"), 0u);
    EXPECT_TRUE(store.SetDword(Default, kLevelKey, 60));
}

TEST_F(PropertyStoreTest, Windows11PerApoStoresAreWrittenAndReadBack)
{
    Load(kWindows11Build);
    AudioEndpointPropertyStore store(device_, kEffectContext);
    // Each store is its own registry key, as the registry-side code expects.
    const struct {
        PropertyStoreType kind;
        std::wstring path;
        DWORD level;
    } rows[] = {{Default, store.GetDefaultKeyPath(), 10},
                {User, store.GetUserKeyPath(), 20},
                {Volatile, store.GetVolatileKeyPath(), 30}};
    for (const auto& row : rows) {
        EXPECT_TRUE(store.SetDword(row.kind, kLevelKey, row.level));
    }
    for (const auto& row : rows) {
        DWORD value = 0;
        EXPECT_TRUE(store.GetDword(row.kind, kLevelKey, value));
        EXPECT_EQ(value, row.level);
        ASSERT_TRUE(ReadRegistryDword(row.path, kLevelName, value));
        EXPECT_EQ(value, row.level);
    }
    EXPECT_FALSE(RegistryHasValue(store.GetFxPropertiesKeyPath(), kLevelName));
}

TEST_F(PropertyStoreTest, EffectStoreIsGivenBackByEveryHolderWhenTheObjectGoesAway)
{
    Load(kWindows11Build);
    std::atomic<int> liveStores{0};
    const ComPtr<IMMDevice> counted = CountEffectsStoresOf(device_, liveStores);
    {
        AudioEndpointPropertyStore store(counted, kEffectContext);
        // The object and its change handler each hold the activated store.
        EXPECT_EQ(liveStores.load(), 1);
        EXPECT_TRUE(store.SetDword(User, kLevelKey, 21));
        DWORD value = 0;
        EXPECT_TRUE(store.GetDword(User, kLevelKey, value));
        EXPECT_EQ(value, 21u);
    }
    // A change handler kept alive by a surplus reference would still hold it.
    EXPECT_EQ(liveStores.load(), 0);
}

TEST_F(PropertyStoreTest, Windows10RefusesEffectKindsSilently)
{
    Load(kWindows10Build);
    AudioEndpointPropertyStore store(device_, kEffectContext);
    EXPECT_FALSE(store.IsWindows11());
    EXPECT_TRUE(store.GetDefaultKeyPath().empty());

    LogCapture log;
    DWORD value = 0;
    bool present = false;
    for (PropertyStoreType kind : {Default, User, Volatile}) {
        EXPECT_FALSE(store.SetDword(kind, kLevelKey, 5));
        EXPECT_FALSE(store.GetDword(kind, kLevelKey, value));
        EXPECT_FALSE(store.HasValue(kind, kLevelKey, present));
        EXPECT_FALSE(store.SetString(kind, kLevelKey, L"x"));
    }
    EXPECT_TRUE(log.lines().empty());
    // The FX store still works.
    EXPECT_TRUE(store.SetDword(FxProperties, kLevelKey, 5));
    ASSERT_TRUE(ReadRegistryDword(store.GetFxPropertiesKeyPath(), kLevelName, value));
    EXPECT_EQ(value, 5u);
}

TEST_F(PropertyStoreTest, EmptyEffectContextServesEffectKindsFromTheFxStore)
{
    Load(kWindows11Build);
    AudioEndpointPropertyStore store(device_, L"");
    EXPECT_TRUE(store.GetDefaultKeyPath().empty());
    EXPECT_TRUE(store.SetDword(Default, kLevelKey, 77));
    DWORD value = 0;
    EXPECT_TRUE(store.GetDword(FxProperties, kLevelKey, value));
    EXPECT_EQ(value, 77u);
    ASSERT_TRUE(ReadRegistryDword(store.GetFxPropertiesKeyPath(), kLevelName, value));
    EXPECT_EQ(value, 77u);
}

TEST_F(PropertyStoreTest, FxStoreAndRegistrySeeTheSameValues)
{
    Load(kWindows10Build);
    AudioEndpointPropertyStore store(device_, kEffectContext);
    const std::vector<std::wstring> modes = {L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}",
                                             L"{98951333-B9CD-48B1-A0A3-FF40682D73F7}"};
    EXPECT_TRUE(store.SetStringVector(FxProperties, kModeListKey, modes));
    std::vector<std::wstring> stored;
    ASSERT_TRUE(winsys::read_multi_string(HKEY_LOCAL_MACHINE, store.GetFxPropertiesKeyPath(), kModeListName, stored));
    EXPECT_EQ(stored, modes);

    std::vector<std::wstring> read = {L"stale"};
    EXPECT_TRUE(store.GetStringVector(FxProperties, kModeListKey, read));
    EXPECT_EQ(read, modes);

    // A string in the list position is refused by the list getter with the expected type.
    EXPECT_TRUE(store.SetString(FxProperties, kListedKey, L"text"));
    LogCapture log;
    EXPECT_FALSE(store.GetStringVector(FxProperties, kListedKey, read));
    EXPECT_TRUE(log.contains(L"Incorrect prop varaint type, expected: 4127\n"));
    EXPECT_EQ(read, modes);
}

TEST_F(PropertyStoreTest, StringsTravelBetweenStoreAndRegistryBothWays)
{
    Load(kWindows11Build);
    AudioEndpointPropertyStore store(device_, kEffectContext);
    // Store to registry.
    ASSERT_TRUE(store.SetString(FxProperties, kListedKey, L"SWD\\DRIVERENUM\\vestaRionAPO&1"));
    std::wstring text;
    ASSERT_TRUE(winsys::read_string(HKEY_LOCAL_MACHINE, store.GetFxPropertiesKeyPath(), kListedName, text));
    EXPECT_EQ(text, L"SWD\\DRIVERENUM\\vestaRionAPO&1");
    // Registry to store, in a per-APO store as well.
    ASSERT_TRUE(winsys::write_string(store.GetUserKeyPath(), kLevelName, L"from the registry"));
    std::wstring read;
    EXPECT_TRUE(store.GetString(User, kLevelKey, read));
    EXPECT_EQ(read, L"from the registry");
    EXPECT_FALSE(store.GetString(Volatile, kLevelKey, read)) << "each per-APO store is its own key";
}

TEST_F(PropertyStoreTest, GetDwordRefusesSignedValues)
{
    Load(kWindows10Build);
    SimMachine::Must({L"set-prop", id_, L"fx", kListedName, L"i4", L"1"});
    AudioEndpointPropertyStore store(device_, L"");
    LogCapture log;
    DWORD value = 1234;
    EXPECT_FALSE(store.GetDword(FxProperties, kListedKey, value));
    EXPECT_EQ(value, 1234u);
    EXPECT_EQ(log.count(L"Unexpected prop varaint type: 3\n"), 1u);
    bool present = false;
    EXPECT_TRUE(store.HasValue(FxProperties, kListedKey, present));
    EXPECT_TRUE(present);
}

TEST_F(PropertyStoreTest, ClearFxValueRemovesTheRegistryValue)
{
    Load(kWindows11Build);
    AudioEndpointPropertyStore store(device_, kEffectContext);
    ASSERT_TRUE(store.SetDword(FxProperties, kListedKey, 1));
    ASSERT_TRUE(RegistryHasValue(store.GetFxPropertiesKeyPath(), kListedName));
    bool present = false;
    ASSERT_TRUE(store.HasValue(FxProperties, kListedKey, present));
    EXPECT_TRUE(present);

    EXPECT_TRUE(store.ClearFxValue(kListedKey));
    EXPECT_FALSE(RegistryHasValue(store.GetFxPropertiesKeyPath(), kListedName));
    EXPECT_TRUE(store.HasValue(FxProperties, kListedKey, present));
    EXPECT_FALSE(present);
    LogCapture log;
    DWORD value = 0;
    EXPECT_FALSE(store.GetDword(FxProperties, kListedKey, value));
    EXPECT_TRUE(log.lines().empty()) << "an empty value is not an error";
}

TEST_F(PropertyStoreTest, DeviceStoreReadsTheFriendlyName)
{
    Load(kWindows10Build);
    AudioEndpointPropertyStore store(device_, L"");
    std::wstring name;
    EXPECT_TRUE(store.GetString(Properties, kFriendlyNameKey, name));
    EXPECT_EQ(name, L"Microphone Array");
    LogCapture log;
    DWORD value = 0;
    EXPECT_FALSE(store.GetDword(Properties, kFriendlyNameKey, value));
    EXPECT_TRUE(log.contains(L"Unexpected prop varaint type: 31\n"));
}

TEST_F(PropertyStoreTest, EmptyListAndUnknownKindChangeNothing)
{
    Load(kWindows10Build);
    AudioEndpointPropertyStore store(device_, L"");
    EXPECT_FALSE(store.SetStringVector(FxProperties, kModeListKey, {}));
    EXPECT_FALSE(RegistryHasValue(store.GetFxPropertiesKeyPath(), kModeListName));
    EXPECT_FALSE(store.SetDword(static_cast<PropertyStoreType>(7), kLevelKey, 1));
    EXPECT_FALSE(RegistryHasValue(store.GetFxPropertiesKeyPath(), kLevelName));
}

TEST_F(PropertyStoreTest, WithoutAnEndpointEveryStoreIsInvalid)
{
    Load(kWindows11Build);
    LogCapture log;
    AudioEndpointPropertyStore store(nullptr, kEffectContext);
    EXPECT_TRUE(store.GetDeviceId().empty());
    EXPECT_TRUE(store.GetEndpointKeyPath().empty());
    EXPECT_TRUE(log.contains(L"Failed to open Properties property store\n"));
    DWORD value = 0;
    EXPECT_FALSE(store.GetDword(Properties, kLevelKey, value));
    EXPECT_FALSE(store.SetDword(FxProperties, kLevelKey, 1));
    EXPECT_FALSE(store.SetDword(Default, kLevelKey, 1));
    EXPECT_GE(log.count(L"Invalid store instance\n"), 3u);
    bool present = false;
    EXPECT_FALSE(store.HasValue(FxProperties, kLevelKey, present));
}

}  // namespace
}  // namespace qev::winaudio::test
