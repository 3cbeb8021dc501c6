// The COM callback objects on their own: the behaviour of a notification that arrives with nothing
// registered, and the forwarding of the device monitor wrapper.
#include <gtest/gtest.h>

#include <endpointvolume.h>

#include <string>

#include "winaudio/audio_session_event_handler.h"
#include "winaudio/audio_session_notification_handler.h"
#include "winaudio/audio_system_effect_property_changed_event_handler.h"
#include "winaudio/imm_notification_client_impl.h"
#include "winaudio/qev_audio_dev_monitor_wrapper.h"

namespace qev::winaudio {
namespace {

constexpr PROPERTYKEY kKey = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}}, 9981};

TEST(ImmNotificationClientImpl, AcceptsNotificationsWithoutCallbacks)
{
    auto* client = new ImmNotificationClientImpl();
    EXPECT_FALSE(client->registered());
    EXPECT_EQ(client->OnDeviceAdded(L"id"), S_OK);
    EXPECT_EQ(client->OnDeviceRemoved(nullptr), S_OK);
    EXPECT_EQ(client->OnDeviceStateChanged(L"id", DEVICE_STATE_ACTIVE), S_OK);
    EXPECT_EQ(client->OnDefaultDeviceChanged(eRender, eConsole, L"id"), S_OK);
    EXPECT_EQ(client->OnPropertyValueChanged(L"id", kKey), S_OK);
    // Never registered: unregistering is a no-op success, and registering needs an enumerator.
    EXPECT_TRUE(client->Unregister());
    EXPECT_FALSE(client->Register(ImmNotificationCallbacks{}, client));
    client->Release();
}

TEST(AudioSystemEffectPropertyChangedEventHandler, WithoutStoreNothingRegistersOrIsCalled)
{
    auto* handler = new AudioSystemEffectPropertyChangedEventHandler(nullptr);
    EXPECT_FALSE(handler->Register([](std::uint32_t, const PROPERTYKEY*, void*) { return E_FAIL; }, nullptr));
    EXPECT_FALSE(handler->registered());
    EXPECT_EQ(handler->OnPropertyChanged(base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_USER, kKey), S_OK);
    EXPECT_EQ(handler->Release(), 0u);
}

TEST(AudioSessionEventHandler, WithoutSessionInfoStaysEmptyAndEventsAreAccepted)
{
    auto* handler = new AudioSessionEventHandler(L"{0.0.1.00000000}.{x}", nullptr);
    ASSERT_TRUE(handler->info());
    EXPECT_EQ(handler->info()->endpointId, L"{0.0.1.00000000}.{x}");
    EXPECT_TRUE(handler->info()->sessionInstanceIdentifier.empty());
    EXPECT_FALSE(handler->Register(AudioSessionEventCallbacks{}, handler));
    float volumes[2] = {0.5f, 0.5f};
    EXPECT_EQ(handler->OnStateChanged(AudioSessionStateActive), S_OK);
    EXPECT_EQ(handler->OnSessionDisconnected(DisconnectReasonDeviceRemoval), S_OK);
    EXPECT_EQ(handler->OnSimpleVolumeChanged(0.5f, FALSE, nullptr), S_OK);
    EXPECT_EQ(handler->OnChannelVolumeChanged(2, volumes, 0, nullptr), S_OK);
    EXPECT_EQ(handler->OnDisplayNameChanged(L"name", nullptr), S_OK);
    EXPECT_EQ(handler->Release(), 0u);
}

TEST(AudioSessionNotificationHandler, NeedsAManager)
{
    auto* handler = new AudioSessionNotificationHandler();
    EXPECT_FALSE(handler->Register(
        nullptr, [](IAudioSessionControl*, void*) { return S_OK; }, handler));
    EXPECT_EQ(handler->OnSessionCreated(nullptr), S_OK);
    EXPECT_EQ(handler->Release(), 0u);
}

// Records what the device monitor wrapper forwards.
struct Forwarded {
    static inline std::wstring id;
    static inline DWORD state = 0;
    static inline EDataFlow flow = eAll;
    static inline ERole role = eConsole;
    static inline PROPERTYKEY key = {};
};

TEST(QevAudioDevMonitorWrapper, ForwardsEachNotificationToItsCallback)
{
    DeviceEventCallbacks callbacks;
    callbacks.stateChanged = [](LPCWSTR id, DWORD state) {
        Forwarded::id = id;
        Forwarded::state = state;
    };
    callbacks.defaultDeviceChanged = [](EDataFlow flow, ERole role, LPCWSTR id) {
        Forwarded::flow = flow;
        Forwarded::role = role;
        Forwarded::id = id;
    };
    callbacks.propertyValueChanged = [](LPCWSTR id, PROPERTYKEY key) {
        Forwarded::id = id;
        Forwarded::key = key;
    };
    auto* wrapper = new QevAudioDevMonitorWrapper(callbacks);

    EXPECT_EQ(wrapper->OnDeviceStateChanged(L"state-id", DEVICE_STATE_DISABLED), S_OK);
    EXPECT_EQ(Forwarded::id, L"state-id");
    EXPECT_EQ(Forwarded::state, static_cast<DWORD>(DEVICE_STATE_DISABLED));
    EXPECT_EQ(wrapper->OnDefaultDeviceChanged(eCapture, eCommunications, L"default-id"), S_OK);
    EXPECT_EQ(Forwarded::flow, eCapture);
    EXPECT_EQ(Forwarded::role, eCommunications);
    EXPECT_EQ(Forwarded::id, L"default-id");
    EXPECT_EQ(wrapper->OnPropertyValueChanged(L"prop-id", kKey), S_OK);
    EXPECT_EQ(Forwarded::key.pid, kKey.pid);
    EXPECT_TRUE(IsEqualGUID(Forwarded::key.fmtid, kKey.fmtid));
    // Null entries: no-ops that still succeed.
    EXPECT_EQ(wrapper->OnDeviceAdded(L"added"), S_OK);
    EXPECT_EQ(wrapper->OnDeviceRemoved(L"removed"), S_OK);
    EXPECT_EQ(Forwarded::id, L"prop-id");
    EXPECT_EQ(wrapper->OnNotify(nullptr), S_OK);
    wrapper->Release();
}

}  // namespace
}  // namespace qev::winaudio
