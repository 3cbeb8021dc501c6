// Endpoint notifications of visibility changes; registration and unregistration racing with
// delivery. (Changes made by qevsim reach the product's clients: tests/winaudio, the hub and device list.)
#include <gtest/gtest.h>

#include <propvarutil.h>

#include <atomic>
#include <thread>

#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

class NotificationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(loadTestMachine());
        enumerator_ = makeEnumerator();
        ASSERT_TRUE(enumerator_);
        recorder_ = adopt(new EndpointRecorder());
        ASSERT_EQ(enumerator_->RegisterEndpointNotificationCallback(recorder_.Get()), S_OK);
    }

    void TearDown() override
    {
        if (enumerator_ && recorder_) {
            EXPECT_EQ(enumerator_->UnregisterEndpointNotificationCallback(recorder_.Get()), S_OK);
        }
    }

    ComScope com_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
    ComPtr<EndpointRecorder> recorder_;
};

TEST_F(NotificationTest, VisibilityChangesTheStateAndNotifies)
{
    const auto policy = makePolicyConfig();
    // A hidden endpoint is disabled; shown again it is active, or unplugged if it was.
    const struct {
        const wchar_t* id;
        BOOL visible;
        DWORD state;
    } cases[] = {{kMic, FALSE, DEVICE_STATE_DISABLED},
                 {kMic, TRUE, DEVICE_STATE_ACTIVE},
                 {kHdmi, FALSE, DEVICE_STATE_DISABLED},
                 {kHdmi, TRUE, DEVICE_STATE_UNPLUGGED}};
    for (const auto& c : cases) {
        ASSERT_EQ(policy->SetEndpointVisibility(c.id, c.visible), S_OK);
        DWORD state = 0;
        ASSERT_EQ(device(c.id)->GetState(&state), S_OK);
        EXPECT_EQ(state, c.state);
        const std::wstring line = std::wstring(L"state ") + c.id + L" " + std::to_wstring(c.state);
        EXPECT_TRUE(recorder_->log.waitFor(line)) << recorder_->log.dump();
    }
}

TEST_F(NotificationTest, RegistrationRacingWithDeliveryIsSafe)
{
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        ComScope com;
        const auto policy = makePolicyConfig();
        for (UINT i = 0; i < 400 && !stop; ++i) {
            PROPVARIANT value = number(i);
            policy->SetPropertyValue(kSpeakers, TRUE, key(kSetting), &value);
            policy->SetEndpointVisibility(kUsbMic, i % 2 == 0 ? FALSE : TRUE);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (int round = 0; round < 150; ++round) {
        const ComPtr<EndpointRecorder> shortLived = adopt(new EndpointRecorder());
        ASSERT_EQ(enumerator_->RegisterEndpointNotificationCallback(shortLived.Get()), S_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(enumerator_->UnregisterEndpointNotificationCallback(shortLived.Get()), S_OK);
        // Unregistered means no callback to it is running any more, and it holds no reference.
        EXPECT_EQ(shortLived->references(), 1u);
    }
    stop = true;
    writer.join();
    EXPECT_TRUE(recorder_->log.waitFor(L"property"));
}

}  // namespace
}  // namespace qevsim::test
