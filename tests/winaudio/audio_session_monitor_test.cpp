#include <wrl/client.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include "debug_output_capture.h"
#include "recording_observers.h"
#include "sim_fixture.h"
#include "winaudio/audio_session_event_monitor.h"
#include "winaudio/audio_session_notification_monitor.h"
#include "winaudio/endpoint_queries.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {
namespace {

constexpr DWORD kProcessId = 4242;

// Keeps only a weak reference to the session info it was last told about.
class WeakInfoObserver : public AudioSessionEventObserver {
public:
    void on_session_state_changed(AudioSessionState, std::shared_ptr<AudioSessionControlInfo> info) override
    {
        keep(info);
    }
    void on_session_disconnected(AudioSessionDisconnectReason, std::shared_ptr<AudioSessionControlInfo> info) override
    {
        keep(info);
    }
    bool alive() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return !info_.expired();
    }

private:
    void keep(const std::shared_ptr<AudioSessionControlInfo>& info)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        info_ = info;
    }

    mutable std::mutex mutex_;
    std::weak_ptr<AudioSessionControlInfo> info_;
};

class AudioSessionMonitors : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        microphone_ = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone");
        ASSERT_TRUE(GetDeviceById(microphone_, device_));
    }

    // Creates a session and waits until the observer of a notification monitor hears of it.
    ComPtr<IAudioSessionControl> CreateReportedSession(RecordingSessionObserver& observer)
    {
        number_ = SimMachine::AddSession(microphone_, kProcessId, L"inactive");
        EXPECT_FALSE(number_.empty());
        EXPECT_TRUE(WaitFor([&] { return !observer.created().empty(); }));
        const auto created = observer.created();
        return created.empty() ? nullptr : created.front();
    }

    // An event monitor reporting to observer, with a new session (reported to heard) registered.
    std::shared_ptr<AudioSessionEventMonitor> MonitorNewSession(RecordingSessionObserver& heard,
                                                                AudioSessionEventObserver& observer)
    {
        notifications_ = std::make_shared<AudioSessionNotificationMonitor>(device_);
        notifications_->add_observer(&heard);
        session_ = CreateReportedSession(heard);
        notifications_->remove_observer(&heard);  // heard may die before the fixture
        if (!session_) {
            return nullptr;
        }
        auto events = std::make_shared<AudioSessionEventMonitor>(device_);
        events->add_observer(&observer);
        events->register_session(session_);
        return events;
    }

    std::shared_ptr<AudioSessionNotificationMonitor> notifications_;
    ComPtr<IAudioSessionControl> session_;
    std::wstring microphone_;
    std::wstring number_;
    ComPtr<IMMDevice> device_;
};

// Unregisters the disconnected session from inside the notification, as the session filter does.
class UnregisteringObserver : public RecordingSessionObserver {
public:
    std::shared_ptr<AudioSessionEventMonitor> monitor;

    void on_session_disconnected(AudioSessionDisconnectReason reason,
                                 std::shared_ptr<AudioSessionControlInfo> info) override
    {
        monitor->unregister_session(*info);
        RecordingSessionObserver::on_session_disconnected(reason, info);
    }
};

TEST_F(AudioSessionMonitors, NewSessionIsReportedAndEnumeratedAndItsEventsReachObservers)
{
    UnregisteringObserver observer;
    const auto events = MonitorNewSession(observer, observer);
    ASSERT_TRUE(events);
    observer.monitor = events;
    EXPECT_TRUE(notifications_->registered());
    EXPECT_EQ(observer.createdOn(), std::vector<std::wstring>{microphone_});
    std::vector<ComPtr<IAudioSessionControl>> sessions;
    ASSERT_TRUE(notifications_->enumerate_sessions(sessions));
    EXPECT_EQ(sessions.size(), 1u);
    events->register_session(session_);
    EXPECT_EQ(events->session_count(), 1u) << "one handler per session";

    SimMachine::Must({L"session-state", microphone_, number_, L"active"});
    ASSERT_TRUE(WaitFor([&] { return !observer.states().empty(); }));
    const auto change = observer.states().front();
    EXPECT_EQ(change.state, AudioSessionStateActive);
    ASSERT_TRUE(change.info);
    EXPECT_EQ(change.info->endpointId, microphone_);
    EXPECT_EQ(change.info->processId, kProcessId);
    EXPECT_FALSE(change.info->sessionInstanceIdentifier.empty());

    SimMachine::Must({L"session-disconnect", microphone_, number_, L"1"});
    ASSERT_TRUE(WaitFor([&] { return !observer.disconnects().empty(); }));
    EXPECT_EQ(observer.disconnects().front().reason, DisconnectReasonServerShutdown);
    EXPECT_EQ(observer.disconnects().front().info->processId, kProcessId);
    EXPECT_EQ(events->session_count(), 0u) << "unregistered from its own disconnect notification";
    observer.monitor.reset();
}

TEST_F(AudioSessionMonitors, UnregisteredSessionIsSilentAndCaseOfInstanceIdDoesNotMatter)
{
    RecordingSessionObserver observer;
    const auto events = MonitorNewSession(observer, observer);
    ASSERT_TRUE(events);

    SimMachine::Must({L"session-state", microphone_, number_, L"active"});
    ASSERT_TRUE(WaitFor([&] { return !observer.states().empty(); }));
    AudioSessionControlInfo info = *observer.states().front().info;
    for (auto& c : info.sessionInstanceIdentifier) {
        c = static_cast<wchar_t>(iswlower(c) ? towupper(c) : towlower(c));
    }
    events->unregister_session(info);
    EXPECT_EQ(events->session_count(), 0u);

    const size_t before = observer.states().size();
    SimMachine::Must({L"session-state", microphone_, number_, L"inactive"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(observer.states().size(), before);
}

TEST_F(AudioSessionMonitors, InactiveEndpointHasNoSessionManager)
{
    SimMachine::Must({L"set-state", microphone_, L"disabled"});
    ASSERT_TRUE(GetDeviceById(microphone_, device_));
    const DebugOutputCapture log;
    AudioSessionNotificationMonitor monitor(device_);
    EXPECT_FALSE(monitor.registered());
    std::vector<ComPtr<IAudioSessionControl>> sessions;
    EXPECT_FALSE(monitor.enumerate_sessions(sessions));
    EXPECT_TRUE(sessions.empty());
    const auto lines = log.wide_lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line.find(L"Failed to activate IAudioSessionManager2, hr: 0x") != std::wstring::npos;
    }));
}

TEST_F(AudioSessionMonitors, DestroyedMonitorsLeaveNoRegistrationAndNoSessionHandlerBehind)
{
    RecordingSessionObserver gone;
    {
        auto monitor = std::make_shared<AudioSessionNotificationMonitor>(device_);
        monitor->add_observer(&gone);
    }
    RecordingSessionObserver observer;
    WeakInfoObserver weak;
    auto events = MonitorNewSession(observer, weak);
    ASSERT_TRUE(events);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // a late delivery to the gone one
    EXPECT_TRUE(gone.created().empty());
    SimMachine::Must({L"session-state", microphone_, number_, L"active"});
    ASSERT_TRUE(WaitFor([&] { return weak.alive(); }));
    // The info belongs to the session's handler: a handler kept alive by a surplus reference keeps it.
    events.reset();
    EXPECT_TRUE(WaitFor([&] { return !weak.alive(); }));
}

}  // namespace
}  // namespace qev::winaudio::test
