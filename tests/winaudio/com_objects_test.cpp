// The COM callback objects on their own: a notification that arrives with nothing registered, and
// registration without what it needs.
#include <gtest/gtest.h>

#include <endpointvolume.h>

#include "winaudio/audio_session_event_handler.h"
#include "winaudio/audio_session_notification_handler.h"
#include "winaudio/audio_system_effect_property_changed_event_handler.h"
#include "winaudio/imm_notification_client_impl.h"

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

}  // namespace
}  // namespace qev::winaudio
