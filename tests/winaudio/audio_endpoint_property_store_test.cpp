#include "winaudio/audio_endpoint_property_store.h"

#include <propsys.h>
#include <wrl/client.h>

#include "debug_output_capture.h"
#include "sim_fixture.h"
#include "winaudio/endpoint_queries.h"
#include "winsys/registry.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {
namespace {

// Value names in the registry are the keys' text form (the simulator may spell the GUID in either case).
constexpr GUID kSettings = {0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}};
constexpr PROPERTYKEY kListedKey = {kSettings, 6666};
constexpr wchar_t kListedName[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666";
constexpr PROPERTYKEY kLevelKey = {kSettings, 9981};
constexpr wchar_t kLevelName[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9981";
constexpr PROPERTYKEY kModeListKey = {{0xD04E05A6, 0x594B, 0x4FB6, {0xA8, 0x0D, 0x01, 0xAF, 0x5E, 0xED, 0x7D, 0x1D}},
                                      14};
constexpr wchar_t kModeListName[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14";
constexpr PROPERTYKEY kFriendlyNameKey = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

std::wstring StoredName(const std::wstring& subkey, const std::wstring& name)
{
    std::vector<std::wstring> names;
    winsys::enum_values(subkey, names);
    for (const auto& stored : names) {
        if (_wcsicmp(stored.c_str(), name.c_str()) == 0) {
            return stored;
        }
    }
    return {};
}

DWORD RegistryDword(const std::wstring& subkey, const std::wstring& name)
{
    DWORD value = 0;
    EXPECT_TRUE(winsys::read_dword(HKEY_LOCAL_MACHINE, subkey, StoredName(subkey, name), value));
    return value;
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

TEST_F(PropertyStoreTest, Windows11PerApoStoresAreMadeWrittenAndReadBackInTheirOwnKeys)
{
    Load(kWindows11Build);
    const DebugOutputCapture log;
    // The endpoint has no store keys yet: they are created and the activation retried.
    AudioEndpointPropertyStore store(device_, kEffectContext);
    EXPECT_FALSE(log.contains(L"[qev] Failed to activate property store, err: 0x80070490\n"));
    EXPECT_EQ(store.GetDeviceId(), id_);
    EXPECT_TRUE(store.IsWindows11());
    EXPECT_EQ(_wcsicmp(store.GetEndpointKeyPath().c_str(),
                       (std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\") +
                        kMicrophoneGuid)
                           .c_str()),
              0);
    const struct {
        PropertyStoreType kind;
        std::wstring path;
        DWORD level;
    } rows[] = {{Default, store.GetDefaultKeyPath(), 10},
                {User, store.GetUserKeyPath(), 20},
                {Volatile, store.GetVolatileKeyPath(), 30},
                {FxProperties, store.GetFxPropertiesKeyPath(), 40}};
    for (const auto& row : rows) {
        EXPECT_TRUE(store.SetDword(row.kind, kLevelKey, row.level));
    }
    for (const auto& row : rows) {
        DWORD value = 0;
        EXPECT_TRUE(store.GetDword(row.kind, kLevelKey, value));
        EXPECT_EQ(value, row.level);
        EXPECT_EQ(RegistryDword(row.path, kLevelName), row.level);
    }
}

TEST_F(PropertyStoreTest, EveryAudioObjectIsGivenBackWhenTheObjectGoesAway)
{
    Load(kWindows11Build);
    // The simulator's DllCanUnloadNow answers S_OK once none of its objects is alive in this process.
    const auto objectsLeft = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"qevaudiosim.dll"), "DllCanUnloadNow")));
    ASSERT_NE(objectsLeft, nullptr);
    {
        AudioEndpointPropertyStore store(device_, kEffectContext);
        device_.Reset();
        EXPECT_TRUE(store.SetDword(User, kLevelKey, 21));
        EXPECT_EQ(objectsLeft(), S_FALSE);
    }
    // A change handler kept alive by a surplus reference would still hold the effect store.
    EXPECT_EQ(objectsLeft(), S_OK);
}

TEST_F(PropertyStoreTest, WithoutPerApoStoresEffectKindsAreRefusedOnWindows10AndServedByFxWithoutAContext)
{
    for (const bool windows11 : {false, true}) {
        Load(windows11 ? kWindows11Build : kWindows10Build);
        AudioEndpointPropertyStore store(device_, windows11 ? L"" : kEffectContext);
        EXPECT_TRUE(store.GetDefaultKeyPath().empty());
        const DebugOutputCapture log;
        DWORD value = 0;
        bool present = false;
        for (PropertyStoreType kind : {Default, User, Volatile}) {
            EXPECT_EQ(store.SetDword(kind, kLevelKey, 5 + kind), windows11);
            EXPECT_EQ(store.GetDword(kind, kLevelKey, value), windows11);
            EXPECT_EQ(store.HasValue(kind, kLevelKey, present), windows11);
            EXPECT_EQ(store.SetString(kind, kListedKey, L"x"), windows11);
        }
        EXPECT_TRUE(log.lines().empty()) << "refused silently";
        EXPECT_TRUE(store.SetDword(FxProperties, kListedKey, 5));
        EXPECT_EQ(RegistryDword(store.GetFxPropertiesKeyPath(), kListedName), 5u);
        if (windows11) {
            EXPECT_EQ(RegistryDword(store.GetFxPropertiesKeyPath(), kLevelName), 5u + Volatile);
        }
    }
}

TEST_F(PropertyStoreTest, ValuesTravelBetweenStoreAndRegistryBothWays)
{
    Load(kWindows11Build);
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

    ASSERT_TRUE(store.SetString(FxProperties, kListedKey, L"SWD\\DRIVERENUM\\vestaRionAPO&1"));
    std::wstring text;
    ASSERT_TRUE(winsys::read_string(HKEY_LOCAL_MACHINE, store.GetFxPropertiesKeyPath(), kListedName, text));
    EXPECT_EQ(text, L"SWD\\DRIVERENUM\\vestaRionAPO&1");
    ASSERT_TRUE(winsys::write_string(store.GetUserKeyPath(), kLevelName, L"from the registry"));
    EXPECT_TRUE(store.GetString(User, kLevelKey, text));
    EXPECT_EQ(text, L"from the registry");
    EXPECT_FALSE(store.GetString(Volatile, kLevelKey, text)) << "each per-APO store is its own key";
    EXPECT_TRUE(store.GetString(Properties, kFriendlyNameKey, text));
    EXPECT_EQ(text, L"Microphone Array");

    // Cleared, the value is gone from the registry; reading it back is no error.
    EXPECT_TRUE(store.ClearFxValue(kListedKey));
    EXPECT_TRUE(StoredName(store.GetFxPropertiesKeyPath(), kListedName).empty());
    bool present = true;
    EXPECT_TRUE(store.HasValue(FxProperties, kListedKey, present));
    EXPECT_FALSE(present);
    const DebugOutputCapture log;
    EXPECT_FALSE(store.GetString(FxProperties, kListedKey, text));
    EXPECT_TRUE(log.lines().empty()) << "an empty value is not an error";
}

TEST_F(PropertyStoreTest, ValuesOfAnotherTypeAreRefusedWithTheirTypeAndLeaveTheResult)
{
    Load(kWindows11Build);
    AudioEndpointPropertyStore store(device_, L"");
    SimMachine::Must({L"set-prop", id_, L"fx", kLevelName, L"i4", L"1"});
    ASSERT_TRUE(store.SetString(FxProperties, kListedKey, L"text"));
    const struct {
        PropertyStoreType kind;
        PROPERTYKEY key;
        bool list;
        const wchar_t* logged;
    } rows[] = {{FxProperties, kLevelKey, false, L"Unexpected prop varaint type: 3\n"},
                {Properties, kFriendlyNameKey, false, L"Unexpected prop varaint type: 31\n"},
                {FxProperties, kListedKey, true, L"Incorrect prop varaint type, expected: 4127\n"}};
    for (const auto& row : rows) {
        const DebugOutputCapture log;
        DWORD value = 1234;
        std::vector<std::wstring> list = {L"stale"};
        EXPECT_FALSE(row.list ? store.GetStringVector(row.kind, row.key, list)
                              : store.GetDword(row.kind, row.key, value));
        EXPECT_EQ(value, 1234u);
        EXPECT_EQ(list, std::vector<std::wstring>{L"stale"});
        EXPECT_TRUE(log.contains(std::wstring(L"[qev] ") + row.logged));
    }
    bool present = false;
    EXPECT_TRUE(store.HasValue(FxProperties, kLevelKey, present));
    EXPECT_TRUE(present);
}

TEST_F(PropertyStoreTest, BadInputChangesNothingAndWithoutAnEndpointEveryStoreIsInvalid)
{
    Load(kWindows11Build);
    AudioEndpointPropertyStore store(device_, L"");
    EXPECT_FALSE(store.SetStringVector(FxProperties, kModeListKey, {}));
    EXPECT_FALSE(store.SetDword(static_cast<PropertyStoreType>(7), kLevelKey, 1));
    EXPECT_TRUE(StoredName(store.GetFxPropertiesKeyPath(), kModeListName).empty());
    EXPECT_TRUE(StoredName(store.GetFxPropertiesKeyPath(), kLevelName).empty());

    const DebugOutputCapture log;
    AudioEndpointPropertyStore none(nullptr, kEffectContext);
    EXPECT_TRUE(none.GetDeviceId().empty());
    EXPECT_TRUE(none.GetEndpointKeyPath().empty());
    EXPECT_TRUE(log.contains(L"[qev] Failed to open Properties property store\n"));
    DWORD value = 0;
    bool present = false;
    EXPECT_FALSE(none.GetDword(Properties, kLevelKey, value));
    EXPECT_FALSE(none.SetDword(FxProperties, kLevelKey, 1));
    EXPECT_FALSE(none.SetDword(Default, kLevelKey, 1));
    EXPECT_FALSE(none.HasValue(FxProperties, kLevelKey, present));
    EXPECT_GE(log.count("[qev] Invalid store instance\n"), 3u);
}

}  // namespace
}  // namespace qev::winaudio::test
