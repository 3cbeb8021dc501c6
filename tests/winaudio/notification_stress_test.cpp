// Endpoint and session notifications arriving while monitors and observers come and go, from
// several threads at once: nothing may crash or hang, and the machinery still works afterwards.
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "base/policy_config.h"
#include "recording_observers.h"
#include "sim_fixture.h"
#include "winaudio/audio_session_event_monitor.h"
#include "winaudio/audio_session_notification_monitor.h"
#include "winaudio/endpoint_notification_hub.h"
#include "winaudio/endpoint_queries.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {
namespace {

constexpr int kChurnRounds = 60;
constexpr int kNotifierRounds = 400;

class NotificationStress : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        microphone_ = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone");
        number_ = SimMachine::AddSession(microphone_, 777, L"inactive");
    }

    // Changes the machine through the audio service's side (registry edits are not announced), as
    // fast as possible: the endpoint goes and comes, disconnecting its session each time.
    void Notify(std::atomic<bool>& stop)
    {
        const base::ComInit com(COINIT_MULTITHREADED);
        ComPtr<base::IPolicyConfig> policy;
        ASSERT_EQ(CoCreateInstance(base::kPolicyConfigClsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&policy)), S_OK);
        for (int round = 0; round < kNotifierRounds && !stop; ++round) {
            policy->SetEndpointVisibility(microphone_.c_str(), round % 2 == 0 ? FALSE : TRUE);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // Creates and destroys monitors and observers over and over.
    void Churn(std::atomic<int>& rounds, std::atomic<int>& heard)
    {
        base::ComInit com(kAudioComFlags, kAudioComFallbackFlags);
        for (int round = 0; round < kChurnRounds; ++round) {
            RecordingEndpointObserver endpointObserver;
            RecordingSessionObserver sessionObserver;
            GetEndpointNotificationHub().AddObserver(&endpointObserver);
            {
                ComPtr<IMMDevice> device;
                if (GetDeviceById(microphone_, device)) {
                    auto notifications = std::make_shared<AudioSessionNotificationMonitor>(device);
                    auto events = std::make_shared<AudioSessionEventMonitor>(device);
                    notifications->add_observer(&sessionObserver);
                    events->add_observer(&sessionObserver);
                    std::vector<ComPtr<IAudioSessionControl>> sessions;
                    notifications->enumerate_sessions(sessions);
                    for (const auto& session : sessions) {
                        events->register_session(session);
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(round % 4 * 10));
                    if (round % 2 == 0) {
                        events->remove_observer(&sessionObserver);
                    }
                }
            }
            GetEndpointNotificationHub().RemoveObserver(&endpointObserver);
            heard += static_cast<int>(endpointObserver.entries().size() + sessionObserver.states().size());
            ++rounds;
        }
    }

    std::wstring microphone_;
    std::wstring number_;
};

TEST_F(NotificationStress, MonitorsComeAndGoWhileNotificationsArrive)
{
    GetEndpointNotificationHub();
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::atomic<int> heard{0};
    std::thread notifier([&] { Notify(stop); });
    std::thread churnA([&] { Churn(rounds, heard); });
    std::thread churnB([&] { Churn(rounds, heard); });
    churnA.join();
    churnB.join();
    stop = true;
    notifier.join();
    EXPECT_EQ(rounds.load(), 2 * kChurnRounds);
    EXPECT_GT(heard.load(), 0) << "notifications arrived while monitors came and went";

    // Afterwards a fresh monitor still hears the session.
    SimMachine::Must({L"set-state", microphone_, L"active"});
    ComPtr<IMMDevice> device;
    ASSERT_TRUE(GetDeviceById(microphone_, device));
    RecordingSessionObserver observer;
    auto notifications = std::make_shared<AudioSessionNotificationMonitor>(device);
    auto events = std::make_shared<AudioSessionEventMonitor>(device);
    events->add_observer(&observer);
    std::vector<ComPtr<IAudioSessionControl>> sessions;
    ASSERT_TRUE(notifications->enumerate_sessions(sessions));
    ASSERT_EQ(sessions.size(), 1u);
    events->register_session(sessions.front());
    SimMachine::Must({L"session-state", microphone_, number_, L"expired"});
    EXPECT_TRUE(WaitFor([&] {
        const auto states = observer.states();
        return std::any_of(states.begin(), states.end(),
                           [](const auto& c) { return c.state == AudioSessionStateExpired; });
    }));
}

}  // namespace
}  // namespace qev::winaudio::test
