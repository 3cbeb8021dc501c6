// Endpoint notifications: from changes made in this process and by another process (qevsim),
// delivered on the simulator's threads; registration and unregistration racing with delivery.
#include <gtest/gtest.h>

#include <propvarutil.h>

#include <atomic>
#include <thread>
#include <utility>

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
        ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
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

    void runTool(const std::vector<std::wstring>& args)
    {
        const ToolResult result = runQevsim(args);
        ASSERT_EQ(result.exitCode, 0u) << result.output;
    }

    ComScope com_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
    ComPtr<EndpointRecorder> recorder_;
};

TEST_F(NotificationTest, InProcessChangesUpdateStateAndNotify)
{
    const auto policy = makePolicyConfig();
    ASSERT_EQ(policy->SetEndpointVisibility(kMic, FALSE), S_OK);
    DWORD state = 0;
    ASSERT_EQ(device(kMic)->GetState(&state), S_OK);
    EXPECT_EQ(state, static_cast<DWORD>(DEVICE_STATE_DISABLED));
    EXPECT_TRUE(recorder_->log.waitFor(std::wstring(L"state ") + kMic + L" 2")) << recorder_->log.dump();

    ASSERT_EQ(policy->SetEndpointVisibility(kMic, TRUE), S_OK);
    ASSERT_EQ(device(kMic)->GetState(&state), S_OK);
    EXPECT_EQ(state, static_cast<DWORD>(DEVICE_STATE_ACTIVE));
    EXPECT_TRUE(recorder_->log.waitFor(std::wstring(L"state ") + kMic + L" 1")) << recorder_->log.dump();

    // A hidden unplugged endpoint is disabled, and unplugged again once shown.
    for (const auto& [visible, expected] : {std::pair{FALSE, DEVICE_STATE_DISABLED}, {TRUE, DEVICE_STATE_UNPLUGGED}}) {
        ASSERT_EQ(policy->SetEndpointVisibility(kHdmi, visible), S_OK);
        ASSERT_EQ(device(kHdmi)->GetState(&state), S_OK);
        EXPECT_EQ(state, static_cast<DWORD>(expected));
    }

    // Device-store writes through the policy config object are reported too.
    PROPVARIANT text;
    ASSERT_EQ(InitPropVariantFromString(L"x", &text), S_OK);
    ASSERT_EQ(policy->SetPropertyValue(kSpeakers, FALSE, key(L"{a45c254e-df1c-4efd-8020-67d146a850e0},14"), &text),
              S_OK);
    PropVariantClear(&text);
    EXPECT_TRUE(
        recorder_->log.waitFor(std::wstring(L"property ") + kSpeakers + L" {A45C254E-DF1C-4EFD-8020-67D146A850E0} 14"))
        << recorder_->log.dump();
}

TEST_F(NotificationTest, ChangesMadeByAnotherProcessArrive)
{
    runTool({L"add-endpoint", L"render", kNewGuid, L"Docking Speakers"});
    EXPECT_TRUE(recorder_->log.waitFor(std::wstring(L"added ") + kNewId)) << recorder_->log.dump();

    runTool({L"set-prop", kNewId, L"fx", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", L"1"});
    EXPECT_TRUE(
        recorder_->log.waitFor(std::wstring(L"property ") + kNewId + L" {E3C9C164-AD30-4AEE-863E-01E4B0847F62} 6666"))
        << recorder_->log.dump();

    runTool({L"set-default", kNewId, L"communications"});
    EXPECT_TRUE(recorder_->log.waitFor(std::wstring(L"default 0 2 ") + kNewId)) << recorder_->log.dump();

    runTool({L"set-state", kNewId, L"unplugged"});
    EXPECT_TRUE(recorder_->log.waitFor(std::wstring(L"state ") + kNewId + L" 8")) << recorder_->log.dump();
    // The unplugged default hands the role back to the speakers.
    EXPECT_TRUE(recorder_->log.waitFor(std::wstring(L"default 0 2 ") + kSpeakers)) << recorder_->log.dump();

    runTool({L"remove-endpoint", kNewId});
    EXPECT_TRUE(recorder_->log.waitFor(std::wstring(L"removed ") + kNewId)) << recorder_->log.dump();
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
            PROPVARIANT number;
            InitPropVariantFromUInt32(i, &number);
            policy->SetPropertyValue(kSpeakers, TRUE, key(L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983"), &number);
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
