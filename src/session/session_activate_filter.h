#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session/activation_listeners.h"
#include "session/active_list_entry.h"
#include "session/audio_service_recovery.h"
#include "session/process_snapshot.h"
#include "session/process_table.h"
#include "session/session_change.h"
#include "session/session_monitors.h"
#include "winaudio/audio_session_event_observer.h"
#include "winaudio/audio_session_notification_observer.h"
#include "winaudio/imm_notification_observer.h"
#include "winsys/service_status_watcher.h"

namespace qev::winaudio {
class EndpointNotificationHub;
}

namespace qev::session {

// Decides which endpoints a communication application uses (a process, other than the excluded
// programs, with active capture and render sessions at once) and tells the listeners of every
// change. Notification callbacks only record what happened and wake the worker, which opens the
// devices, registers and unregisters sessions, recomputes the candidates and announces them.
class SessionActivateFilter : public winaudio::ImmNotificationObserver,
                              public winaudio::AudioSessionNotificationObserver,
                              public winaudio::AudioSessionEventObserver,
                              public std::enable_shared_from_this<SessionActivateFilter> {
public:
    static std::shared_ptr<SessionActivateFilter> get_instance();
    ~SessionActivateFilter() override;

    SessionActivateFilter(const SessionActivateFilter&) = delete;
    SessionActivateFilter& operator=(const SessionActivateFilter&) = delete;

    int add_listener(ActivationFunction function, void* context) { return listeners_.add(function, context); }
    void remove_listener(int id) { listeners_.remove(id); }

    // (Re)starts everything: the service watcher on "Audiosrv", the monitors, the worker.
    void start_sequence();
    // Ends every thread of the filter; a later start_sequence() starts again.
    void stop();

    // Windows and hub notifications: each records and posts, nothing more.
    HRESULT on_device_notification(winaudio::EndpointEventKind kind, const winaudio::EndpointEvent& event) override;
    void on_session_created(const std::wstring& endpointId,
                            Microsoft::WRL::ComPtr<IAudioSessionControl> session) override;
    void on_session_state_changed(AudioSessionState newState,
                                  std::shared_ptr<winaudio::AudioSessionControlInfo> info) override;
    void on_session_disconnected(AudioSessionDisconnectReason reason,
                                 std::shared_ptr<winaudio::AudioSessionControlInfo> info) override;

private:
    SessionActivateFilter();

    void setup_event_handler();
    void on_service_event(const winsys::service_utils::ServiceStatusEvent& event);
    void restart_after_service_recovery();
    void start();
    void halt();
    void stop_service_watcher();

    void add_all_devices();
    void add_device(const Microsoft::WRL::ComPtr<IMMDevice>& device);
    void track_session(const std::wstring& endpointId, bool capture, winaudio::AudioSessionEventMonitor& monitor,
                       const Microsoft::WRL::ComPtr<IAudioSessionControl>& session);
    void post(SessionChange change);
    void post_count();
    // Waits for the next posted change; false once halt was requested.
    bool wait_for_changes(std::deque<SessionChange>& changes);

    void worker_loop();
    void apply(const SessionChange& change);
    void apply_session_created(const SessionChange& change);
    void apply_state_changed(const SessionChange& change);
    void apply_disconnected(const SessionChange& change);
    void run_pass(CandidateMap& previous, unsigned buildNumber);  // with stateMutex_ held
    void announce_tool_captures(unsigned buildNumber);            // with both locks held

    winaudio::EndpointNotificationHub& hub_;
    std::thread worker_;  // started by start(), joined by halt()

    // Callbacks take only postMutex_, briefly; a pass holds stateMutex_ throughout.
    std::mutex postMutex_;
    std::condition_variable postedChanged_;  // with postMutex_
    bool haltRequested_ = false;             // guarded by postMutex_
    std::uint32_t posted_ = 0;               // guarded by postMutex_
    std::uint32_t processed_ = 0;            // guarded by postMutex_
    std::deque<SessionChange> pending_;      // guarded by postMutex_
    std::mutex stateMutex_;
    ProcessTable processTable_;                       // guarded by stateMutex_
    ProcessSnapshot snapshot_;                        // worker only
    std::vector<std::wstring> toolCaptures_;          // guarded by stateMutex_
    std::vector<std::wstring> previousToolCaptures_;  // guarded by stateMutex_; survives restarts

    ActivationListeners listeners_;
    SessionMonitors monitors_;

    std::atomic<bool> stopping_{false};
    std::atomic<bool> audioServiceDown_{false};
    std::mutex controlMutex_;  // serialises the start sequence, stop and the restart
    std::unique_ptr<winsys::service_utils::ServiceStatusWatcher> serviceWatcher_;  // guarded by controlMutex_
    AudioServiceRecovery recovery_;
};

}  // namespace qev::session
