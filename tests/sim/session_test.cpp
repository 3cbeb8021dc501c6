// Sessions made by qevsim: enumerated by the session manager, reported when created, changed
// and disconnected.
#include <gtest/gtest.h>

#include <audioclient.h>

#include <atomic>
#include <set>
#include <thread>

#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(loadTestMachine());
        ASSERT_EQ(device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                         reinterpret_cast<void**>(manager_.GetAddressOf())),
                  S_OK);
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

TEST_F(SessionTest, SessionsMadeByQevsimAreEnumeratedWithTheirDataAndReported)
{
    const ComPtr<SessionCreatedRecorder> created = adopt(new SessionCreatedRecorder());
    ASSERT_EQ(manager_->RegisterSessionNotification(created.Get()), S_OK);
    EXPECT_TRUE(sessions().empty());  // counting them lets the notifications begin
    const struct {
        DWORD pid;
        const wchar_t* state;
        const wchar_t* name;
        AudioSessionState expected;
    } made[] = {{4242, L"active", L"Call App", AudioSessionStateActive},
                {77, L"inactive", L"Player", AudioSessionStateInactive}};
    for (const auto& m : made) {
        mustRunQevsim({L"session-add", kMic, std::to_wstring(m.pid), m.state, m.name});
        EXPECT_TRUE(created->log.waitFor(L"created pid " + std::to_wstring(m.pid))) << created->log.dump();
    }
    const auto list = sessions();
    ASSERT_EQ(list.size(), 2u);
    std::set<std::wstring> instances;
    for (std::size_t i = 0; i < list.size(); ++i) {
        DWORD pid = 0;
        AudioSessionState state = AudioSessionStateExpired;
        LPWSTR name = nullptr;
        LPWSTR instance = nullptr;
        ASSERT_EQ(list[i]->GetProcessId(&pid), S_OK);
        ASSERT_EQ(list[i]->GetState(&state), S_OK);
        ASSERT_EQ(list[i]->GetDisplayName(&name), S_OK);
        ASSERT_EQ(list[i]->GetSessionInstanceIdentifier(&instance), S_OK);
        EXPECT_EQ(pid, made[i].pid);
        EXPECT_EQ(state, made[i].expected);
        EXPECT_STREQ(name, made[i].name);
        EXPECT_EQ(std::wstring(instance).rfind(kMic, 0), 0u) << "instance ids begin with the endpoint id";
        instances.insert(instance);
        ::CoTaskMemFree(name);
        ::CoTaskMemFree(instance);
        EXPECT_EQ(list[i]->IsSystemSoundsSession(), S_FALSE);
    }
    EXPECT_EQ(instances.size(), 2u);
    ComPtr<IAudioSessionManager2> other;
    ASSERT_EQ(device(kUsbMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                        reinterpret_cast<void**>(other.GetAddressOf())),
              S_OK);
    EXPECT_TRUE(sessionsOf(other.Get()).empty()) << "sessions belong to their endpoint only";
    ASSERT_EQ(manager_->UnregisterSessionNotification(created.Get()), S_OK);
}

TEST_F(SessionTest, StateChangesAndDisconnectsAreReportedToTheSession)
{
    mustRunQevsim({L"session-add", kMic, L"4242", L"inactive", L"Call App"});
    mustRunQevsim({L"session-add", kMic, L"9", L"active", L""});
    const auto list = sessions();
    ASSERT_EQ(list.size(), 2u);
    const ComPtr<SessionEventRecorder> events[] = {adopt(new SessionEventRecorder()),
                                                   adopt(new SessionEventRecorder())};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(list[i]->RegisterAudioSessionNotification(events[i].Get()), S_OK);
    }
    mustRunQevsim({L"session-state", kMic, L"1", L"active"});
    EXPECT_TRUE(events[0]->log.waitFor(L"session state 1")) << events[0]->log.dump();
    mustRunQevsim({L"session-disconnect", kMic, L"1", L"3"});
    EXPECT_TRUE(events[0]->log.waitFor(L"disconnected 3")) << events[0]->log.dump();
    EXPECT_EQ(sessions().size(), 1u) << "a disconnected session is no longer listed";
    // The endpoint leaving the active state disconnects the sessions it still has.
    mustRunQevsim({L"set-state", kMic, L"disabled"});
    EXPECT_TRUE(events[1]->log.waitFor(L"disconnected 0")) << events[1]->log.dump();
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(list[i]->UnregisterAudioSessionNotification(events[i].Get()), S_OK);
        EXPECT_TRUE(waitUntil([&] { return events[i]->references() == 1; }));
    }
    EXPECT_EQ(events[0]->log.lines().size(), 2u) << "nothing but the state change and the disconnect";
}

TEST_F(SessionTest, SessionEventRegistrationRacingWithChangesIsSafe)
{
    mustRunQevsim({L"session-add", kMic, L"4242", L"inactive", L"Call App"});
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
