// Session event registrations racing with changes. (What sessions report, and when, is checked
// through the product's session monitors, tests/winaudio/audio_session_monitor_test.)
#include <gtest/gtest.h>

#include <audioclient.h>

#include <atomic>
#include <thread>

#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

TEST(SessionTest, SessionEventRegistrationRacingWithChangesIsSafe)
{
    ComScope com;
    ASSERT_NO_FATAL_FAILURE(loadTestMachine());
    mustRunQevsim({L"session-add", kMic, L"4242", L"inactive", L"Call App"});
    ComPtr<IAudioSessionManager2> manager;
    ASSERT_EQ(device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                     reinterpret_cast<void**>(manager.GetAddressOf())),
              S_OK);
    ComPtr<IAudioSessionEnumerator> sessions;
    ComPtr<IAudioSessionControl> session;
    int count = 0;
    ASSERT_EQ(manager->GetSessionEnumerator(sessions.GetAddressOf()), S_OK);
    ASSERT_EQ(sessions->GetCount(&count), S_OK);
    ASSERT_EQ(count, 1);
    ASSERT_EQ(sessions->GetSession(0, session.GetAddressOf()), S_OK);
    const std::vector<ComPtr<IAudioSessionControl>> list = {session};
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
