// Endpoint notifications: from changes made in this process and by another process (qevsim),
// delivered on the simulator's threads; registration and unregistration racing with delivery.
#include <gtest/gtest.h>

#include <propvarutil.h>

#include <atomic>
#include <thread>

#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kNewGuid[] = L"{22222222-0000-4000-8000-000000000001}";
constexpr wchar_t kNewId[] = L"{0.0.0.00000000}.{22222222-0000-4000-8000-000000000001}";

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

TEST_F(NotificationTest, ChangesMadeByAnotherProcessArrive)
{
    const std::wstring id = kNewId;
    const struct {
        std::vector<std::wstring> args;
        std::wstring heard;
    } steps[] = {
        {{L"add-endpoint", L"render", kNewGuid, L"Docking Speakers"}, L"added " + id},
        {{L"set-prop", id, L"fx", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", L"1"},
         L"property " + id + L" {E3C9C164-AD30-4AEE-863E-01E4B0847F62} 6666"},
        {{L"set-default", id, L"communications"}, L"default 0 2 " + id},
        {{L"set-state", id, L"unplugged"}, L"state " + id + L" 8"},
        // The unplugged default hands the role back to the speakers.
        {{}, std::wstring(L"default 0 2 ") + kSpeakers},
        {{L"remove-endpoint", id}, L"removed " + id},
    };
    for (const auto& step : steps) {
        if (!step.args.empty()) {
            mustRunQevsim(step.args);
        }
        EXPECT_TRUE(recorder_->log.waitFor(step.heard)) << recorder_->log.dump();
    }
    // Values that are no property (DeviceState, Role:n) never show up as property changes.
    EXPECT_FALSE(recorder_->log.contains(L"property (none)"));
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
