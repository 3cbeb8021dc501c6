// Sessions made by qevsim: enumerated by the session manager, reported when created, changed
// and disconnected.
#include <gtest/gtest.h>

#include <audioclient.h>

#include <atomic>
#include <thread>

#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
        ASSERT_EQ(device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                         reinterpret_cast<void**>(manager_.GetAddressOf())),
                  S_OK);
    }

    std::string addSession(const std::wstring& pid, const std::wstring& state, const std::wstring& name)
    {
        const ToolResult result = runQevsim({L"session-add", kMic, pid, state, name});
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        std::string number = result.output;
        while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) {
            number.pop_back();
        }
        return number;
    }

    std::vector<ComPtr<IAudioSessionControl2>> sessions() { return sessionsOf(manager_.Get()); }

    static std::vector<ComPtr<IAudioSessionControl2>> sessionsOf(IAudioSessionManager2* manager)
    {
        std::vector<ComPtr<IAudioSessionControl2>> result;
        ComPtr<IAudioSessionEnumerator> enumerator;
        EXPECT_EQ(manager->GetSessionEnumerator(enumerator.GetAddressOf()), S_OK);
        int count = 0;
        EXPECT_EQ(enumerator->GetCount(&count), S_OK);
        for (int i = 0; i < count; ++i) {
            ComPtr<IAudioSessionControl> control;
            EXPECT_EQ(enumerator->GetSession(i, control.GetAddressOf()), S_OK);
            ComPtr<IAudioSessionControl2> control2;
            EXPECT_EQ(control.As(&control2), S_OK);
            result.push_back(control2);
        }
        return result;
    }

    ComScope com_;
    ComPtr<IAudioSessionManager2> manager_;
};

TEST_F(SessionTest, SessionsMadeByQevsimAreEnumeratedWithTheirData)
{
    EXPECT_TRUE(sessions().empty());
    EXPECT_EQ(addSession(L"4242", L"active", L"Call App"), "1");
    EXPECT_EQ(addSession(L"77", L"inactive", L"Player"), "2");
    const auto list = sessions();
    ASSERT_EQ(list.size(), 2u);
    DWORD pid = 0;
    ASSERT_EQ(list[0]->GetProcessId(&pid), S_OK);
    EXPECT_EQ(pid, 4242u);
    AudioSessionState state = AudioSessionStateExpired;
    ASSERT_EQ(list[0]->GetState(&state), S_OK);
    EXPECT_EQ(state, AudioSessionStateActive);
    ASSERT_EQ(list[1]->GetState(&state), S_OK);
    EXPECT_EQ(state, AudioSessionStateInactive);
    LPWSTR text = nullptr;
    ASSERT_EQ(list[0]->GetDisplayName(&text), S_OK);
    EXPECT_STREQ(text, L"Call App");
    ::CoTaskMemFree(text);
    LPWSTR first = nullptr;
    LPWSTR second = nullptr;
    ASSERT_EQ(list[0]->GetSessionInstanceIdentifier(&first), S_OK);
    ASSERT_EQ(list[1]->GetSessionInstanceIdentifier(&second), S_OK);
    EXPECT_STRNE(first, second);
    EXPECT_EQ(std::wstring(first).rfind(kMic, 0), 0u);  // instance ids begin with the endpoint id
    ::CoTaskMemFree(first);
    ::CoTaskMemFree(second);
    EXPECT_EQ(list[0]->IsSystemSoundsSession(), S_FALSE);

    // Sessions belong to their endpoint only.
    ComPtr<IAudioSessionManager2> other;
    ASSERT_EQ(device(kUsbMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                        reinterpret_cast<void**>(other.GetAddressOf())),
              S_OK);
    EXPECT_TRUE(sessionsOf(other.Get()).empty());
}

TEST_F(SessionTest, CreationStateChangesAndDisconnectAreReported)
{
    const ComPtr<SessionCreatedRecorder> created = adopt(new SessionCreatedRecorder());
    ASSERT_EQ(manager_->RegisterSessionNotification(created.Get()), S_OK);
    EXPECT_TRUE(sessions().empty());  // counting them lets the notifications begin
    const std::string number = addSession(L"4242", L"inactive", L"Call App");
    EXPECT_TRUE(created->log.waitFor(L"created pid 4242")) << created->log.dump();

    const auto list = sessions();
    ASSERT_EQ(list.size(), 1u);
    const ComPtr<SessionEventRecorder> events = adopt(new SessionEventRecorder());
    ASSERT_EQ(list[0]->RegisterAudioSessionNotification(events.Get()), S_OK);

    const std::wstring wideNumber(number.begin(), number.end());
    ToolResult result = runQevsim({L"session-state", kMic, wideNumber, L"active"});
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(events->log.waitFor(L"session state 1")) << events->log.dump();

    result = runQevsim({L"session-disconnect", kMic, wideNumber, L"3"});
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(events->log.waitFor(L"disconnected 3")) << events->log.dump();
    EXPECT_TRUE(sessions().empty());  // a disconnected session is no longer listed

    ASSERT_EQ(list[0]->UnregisterAudioSessionNotification(events.Get()), S_OK);
    ASSERT_EQ(manager_->UnregisterSessionNotification(created.Get()), S_OK);
    EXPECT_TRUE(waitUntil([&] { return events->references() == 1 && created->references() == 1; }));
    // Nothing but state changes and disconnects was reported.
    EXPECT_EQ(events->log.lines().size(), 2u) << events->log.dump();
}

TEST_F(SessionTest, EndpointLeavingActiveDisconnectsItsSessions)
{
    addSession(L"9", L"active", L"");
    const auto list = sessions();
    ASSERT_EQ(list.size(), 1u);
    const ComPtr<SessionEventRecorder> events = adopt(new SessionEventRecorder());
    ASSERT_EQ(list[0]->RegisterAudioSessionNotification(events.Get()), S_OK);
    const ToolResult result = runQevsim({L"set-state", kMic, L"disabled"});
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(events->log.waitFor(L"disconnected 0")) << events->log.dump();
    EXPECT_EQ(list[0]->UnregisterAudioSessionNotification(events.Get()), S_OK);
}

TEST_F(SessionTest, InactiveEndpointHasNoSessionManager)
{
    ComPtr<IAudioSessionManager2> none;
    EXPECT_EQ(device(kLineIn)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                        reinterpret_cast<void**>(none.GetAddressOf())),
              AUDCLNT_E_DEVICE_INVALIDATED);
    EXPECT_FALSE(none);
}

TEST_F(SessionTest, SessionEventRegistrationRacingWithChangesIsSafe)
{
    addSession(L"4242", L"inactive", L"Call App");
    const auto list = sessions();
    ASSERT_EQ(list.size(), 1u);
    std::atomic<bool> stop{false};
    std::thread flipper([&] {
        ComScope com;
        // The session's own control changes the machine (display name), which the watcher reports.
        for (int i = 0; i < 300 && !stop; ++i) {
            list[0]->SetDisplayName(i % 2 == 0 ? L"a" : L"b", nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    ComPtr<SessionEventRecorder> steady = adopt(new SessionEventRecorder());
    ASSERT_EQ(list[0]->RegisterAudioSessionNotification(steady.Get()), S_OK);
    for (int round = 0; round < 150; ++round) {
        ComPtr<SessionEventRecorder> shortLived = adopt(new SessionEventRecorder());
        ASSERT_EQ(list[0]->RegisterAudioSessionNotification(shortLived.Get()), S_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(list[0]->UnregisterAudioSessionNotification(shortLived.Get()), S_OK);
        EXPECT_TRUE(waitUntil([&] { return shortLived->references() == 1; }));
    }
    stop = true;
    flipper.join();
    EXPECT_TRUE(steady->log.waitFor(L"name ")) << steady->log.dump();
    ASSERT_EQ(list[0]->UnregisterAudioSessionNotification(steady.Get()), S_OK);
    EXPECT_TRUE(waitUntil([&] { return steady->references() == 1; }));
}

}  // namespace
}  // namespace qevsim::test
