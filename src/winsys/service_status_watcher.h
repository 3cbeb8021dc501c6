#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "base/unique_handle.h"

namespace qev::winsys::service_utils {

// Reports state changes of named services through the service control manager's change
// notifications. Notifications are armed and received on one thread (they arrive as APCs during its
// alertable wait); handlers run one event at a time, in order, on a second thread.
class ServiceStatusWatcher {
public:
    struct Event {
        std::wstring service_name;
        DWORD notification_status = 0;  // 0, or the Windows error of the step that failed
        DWORD current_state = 0;        // SERVICE_STOPPED (1) ... SERVICE_PAUSED (7)
        DWORD controls_accepted = 0;
        DWORD win32_exit_code = 0;
        DWORD service_specific_exit_code = 0;
        DWORD check_point = 0;
        DWORD wait_hint = 0;
    };
    using Handler = std::function<void(const Event&)>;

    ServiceStatusWatcher() = default;
    ~ServiceStatusWatcher();

    ServiceStatusWatcher(const ServiceStatusWatcher&) = delete;
    ServiceStatusWatcher& operator=(const ServiceStatusWatcher&) = delete;

    void add_service(const std::wstring& name);
    void add_handler(Handler handler);

    // Starts both threads and (re-)arms every registered service. Starting a running watcher does nothing.
    bool start();
    // Joins both threads and closes every handle; no handler runs after it returns. Handlers must not
    // call it (it joins the thread they run on).
    void stop();

private:
    struct Entry {
        std::wstring name;
        base::UniqueServiceHandle service;
        SERVICE_NOTIFYW notify{};
        bool armed = false;
        bool rearm_needed = true;
        bool closing = false;
    };

    static void CALLBACK on_status_change(void* parameter);

    void notification_loop();
    void dispatch_loop();
    bool wait_alertably() const;
    void arm_pending();       // with mutex_ held
    void arm(Entry& entry);   // with mutex_ held
    void queue(Event event);  // with mutex_ held
    void handle_callback(const SERVICE_NOTIFYW& notify);

    std::mutex mutex_;
    bool running_ = false;
    bool dispatch_stop_ = false;
    base::UniqueKernelHandle stop_event_;
    base::UniqueServiceHandle manager_;
    std::unordered_map<std::wstring, std::unique_ptr<Entry>> services_;
    std::deque<Event> events_;
    std::condition_variable events_ready_;
    std::vector<Handler> handlers_;
    std::thread notification_thread_;
    std::thread dispatch_thread_;
};

}  // namespace qev::winsys::service_utils
