// The stand-in audio service, stopped and started through qevsim.exe, as the simulator's COM
// objects see it: what the product made before the stop stays refused, as on Windows. (The
// session role's recovery and the stand-in processes are driven by its end-to-end run.)
#include <gtest/gtest.h>

#include <audioclient.h>

#include <functional>

#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

HRESULT activateSessionManager(ComPtr<IAudioSessionManager2>* manager)
{
    return device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                  reinterpret_cast<void**>(manager->ReleaseAndGetAddressOf()));
}

TEST(ServiceTest, StoppedServiceDisconnectsSessionsAndItsObjectsStayRefused)
{
    ComScope com;
    ASSERT_NO_FATAL_FAILURE(loadTestMachine());
    SimMachine::Must({L"session-add", kMic, L"4242", L"active"});
    ComPtr<IAudioSessionManager2> before;
    ComPtr<IAudioSessionEnumerator> sessions;
    ComPtr<IAudioSessionControl> control;
    int count = 0;
    ASSERT_EQ(activateSessionManager(&before), S_OK);
    ASSERT_EQ(before->GetSessionEnumerator(sessions.GetAddressOf()), S_OK);
    ASSERT_EQ(sessions->GetCount(&count), S_OK);
    ASSERT_EQ(sessions->GetSession(0, control.GetAddressOf()), S_OK);
    const ComPtr<SessionEventRecorder> events = adopt(new SessionEventRecorder());
    ASSERT_EQ(control->RegisterAudioSessionNotification(events.Get()), S_OK);

    SimMachine::Must({L"service-stop"});
    EXPECT_TRUE(events->log.waitFor(L"disconnected 1")) << events->log.dump();  // DisconnectReasonServerShutdown
    const ComPtr<SessionEventRecorder> late = adopt(new SessionEventRecorder());
    ComPtr<IAudioSessionManager2> fresh;
    ComPtr<IAudioSessionEnumerator> enumerator;
    AudioSessionState state = AudioSessionStateInactive;
    const struct {
        const char* call;
        std::function<HRESULT()> make;
        HRESULT afterRestart;
    } rows[] = {
        {"Activate", [&] { return activateSessionManager(&fresh); }, S_OK},
        {"old GetSessionEnumerator", [&] { return before->GetSessionEnumerator(enumerator.GetAddressOf()); },
         AUDCLNT_E_SERVICE_NOT_RUNNING},
        {"old GetCount", [&] { return sessions->GetCount(&count); }, AUDCLNT_E_SERVICE_NOT_RUNNING},
        {"old GetState", [&] { return control->GetState(&state); }, AUDCLNT_E_SERVICE_NOT_RUNNING},
        {"old RegisterAudioSessionNotification", [&] { return control->RegisterAudioSessionNotification(late.Get()); },
         AUDCLNT_E_SERVICE_NOT_RUNNING},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.make(), AUDCLNT_E_SERVICE_NOT_RUNNING) << "while stopped: " << row.call;
    }
    SimMachine::Must({L"service-start"});
    for (const auto& row : rows) {
        EXPECT_EQ(row.make(), row.afterRestart) << "after the restart: " << row.call;
    }
    EXPECT_EQ(control->UnregisterAudioSessionNotification(events.Get()), S_OK);
    EXPECT_TRUE(WaitFor([&] { return events->references() == 1 && late->references() == 1; }));
}

}  // namespace
}  // namespace qevsim::test
