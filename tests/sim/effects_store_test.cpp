// The Windows 11 per-APO stores: gated by the build, missing without their key, backed by
// FxProperties\{context}\Default|User|Volatile, with change notifications.
#include <gtest/gtest.h>

#include <propvarutil.h>

#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kSetting[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9981";

std::wstring storePath(const wchar_t* endpointKey, const wchar_t* store)
{
    return std::wstring(endpointKey) + L"\\FxProperties\\" + kApoContext + L"\\" + store;
}

class EffectsStoreTest : public ::testing::Test {
protected:
    ComScope com_;
};

TEST_F(EffectsStoreTest, StoresAreTheRegistryKeysOfTheContext)
{
    ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
    ComPtr<IAudioSystemEffectsPropertyStore> effects;
    ASSERT_EQ(activateEffectsStore(kMic, &effects), S_OK);

    ComPtr<IPropertyStore> defaults;
    ASSERT_EQ(effects->OpenDefaultPropertyStore(STGM_READWRITE, defaults.GetAddressOf()), S_OK);
    PROPVARIANT value;
    ASSERT_EQ(defaults->GetValue(key(L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9980"), &value), S_OK);
    EXPECT_EQ(value.vt, VT_UI4);
    EXPECT_EQ(value.ulVal, 7u);

    ComPtr<IPropertyStore> user;
    ASSERT_EQ(effects->OpenUserPropertyStore(STGM_READWRITE, user.GetAddressOf()), S_OK);
    PROPVARIANT number;
    ASSERT_EQ(InitPropVariantFromUInt32(60, &number), S_OK);
    ASSERT_EQ(user->SetValue(key(kSetting), number), S_OK);
    const RawValue raw = rawRead(storePath(kMicKey, L"User"), kSetting);
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(rawRead(storePath(kMicKey, L"Default"), kSetting).status, ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(effects->ResetUserPropertyStore(), S_OK);
    EXPECT_EQ(rawRead(storePath(kMicKey, L"User"), kSetting).status, ERROR_FILE_NOT_FOUND);
    // Reset leaves the default store alone.
    EXPECT_EQ(rawRead(storePath(kMicKey, L"Default"), L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9980").status,
              ERROR_SUCCESS);

    ComPtr<IPropertyStore> volatileReadOnly;
    ASSERT_EQ(effects->OpenVolatilePropertyStore(STGM_READ, volatileReadOnly.GetAddressOf()), S_OK);
    EXPECT_EQ(volatileReadOnly->SetValue(key(kSetting), number), STG_E_ACCESSDENIED);
}

TEST_F(EffectsStoreTest, MissingContextKeyIsElementNotFoundUntilTheKeysExist)
{
    ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
    ComPtr<IAudioSystemEffectsPropertyStore> effects;
    EXPECT_EQ(activateEffectsStore(kUsbMic, &effects), kElementNotFound);
    EXPECT_FALSE(effects);
    // What a client does on 0x80070490: create the three store keys and activate again.
    ASSERT_NO_FATAL_FAILURE(createStoreKeys(kUsbMicKey));
    EXPECT_EQ(activateEffectsStore(kUsbMic, &effects), S_OK);
    EXPECT_TRUE(effects);

    // Without a CLSID parameter there is no context to open.
    ComPtr<IAudioSystemEffectsPropertyStore> noContext;
    EXPECT_EQ(device(kUsbMic)->Activate(__uuidof(IAudioSystemEffectsPropertyStore), CLSCTX_ALL, nullptr,
                                        reinterpret_cast<void**>(noContext.GetAddressOf())),
              E_INVALIDARG);
}

TEST_F(EffectsStoreTest, WindowsTenHasNoEffectStores)
{
    ASSERT_NO_FATAL_FAILURE(loadTestMachine(19045));
    ComPtr<IAudioSystemEffectsPropertyStore> effects;
    EXPECT_EQ(activateEffectsStore(kMic, &effects), E_NOINTERFACE);
    EXPECT_FALSE(effects);
}

TEST_F(EffectsStoreTest, ChangesReachRegisteredClientsUntilTheyUnregister)
{
    ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
    ComPtr<IAudioSystemEffectsPropertyStore> effects;
    ASSERT_EQ(activateEffectsStore(kMic, &effects), S_OK);
    const ComPtr<EffectStoreRecorder> recorder = adopt(new EffectStoreRecorder());
    ASSERT_EQ(effects->RegisterPropertyChangeNotification(recorder.Get()), S_OK);
    EXPECT_EQ(recorder->references(), 1u);  // the store takes no reference

    // A change made by another process, in the volatile store.
    const ToolResult set =
        runQevsim({L"set-prop", kMic, std::wstring(L"volatile:") + kApoContext, kSetting, L"dword", L"3"});
    ASSERT_EQ(set.exitCode, 0u) << set.output;
    EXPECT_TRUE(recorder->log.waitFor(L"effect 2 {E3C9C164-AD30-4AEE-863E-01E4B0847F62} 9981")) << recorder->log.dump();

    ASSERT_EQ(effects->UnregisterPropertyChangeNotification(recorder.Get()), S_OK);
    EXPECT_EQ(effects->UnregisterPropertyChangeNotification(recorder.Get()), kElementNotFound);
}

}  // namespace
}  // namespace qevsim::test
