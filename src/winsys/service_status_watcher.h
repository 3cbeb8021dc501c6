#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "base/unique_handle.h"
#include "winsys/service_event_dispatcher.h"
#include "winsys/service_status_event.h"

namespace qev::winsys::service_utils {

// Reports state changes of named services through the service control manager's change
// notifications. Notifications are armed, received and cancelled on one thread (they arrive as APCs
// during its alertable wait); handlers run one event at a time, in order, on a second thread.
class ServiceStatusWatcher {
public:
    using Event = ServiceStatusEvent;
    using Handler = ServiceEventDispatcher::Handler;
    // Arms one notification: NotifyServiceStatusChangeW, unless a test stands in for the system.
    using ArmNotification = DWORD(WINAPI*)(SC_HANDLE service, DWORD mask, PSERVICE_NOTIFYW notify);
    // ERROR_SERVICE_NOTIFY_CLIENT_LAGGING (missing from mingw-w64's winerror.h): the documented answer
    // is to close the handles, open the service control manager again and re-arm.
    static constexpr DWORD kNotifyClientLagging = 1294;

    explicit ServiceStatusWatcher(ArmNotification arm_notification = &NotifyServiceStatusChangeW);
    ~ServiceStatusWatcher();

    ServiceStatusWatcher(const ServiceStatusWatcher&) = delete;
    ServiceStatusWatcher& operator=(const ServiceStatusWatcher&) = delete;

    void add_service(const std::wstring& name);
    void add_handler(Handler handler);

    // Starts both threads and (re-)arms every registered service. Starting a running watcher does nothing.
    bool start();
    // Ends both threads and closes every handle; no handler starts after it returns. A handler may
    // call it, or destroy the watcher, from within.
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
    bool wait_alertably() const;
    void arm_pending();      // with mutex_ held
    void arm(Entry& entry);  // with mutex_ held
    // The system says this client lags behind: every handle is closed and opened again.
    void reopen_manager();  // with mutex_ held, on the notification thread
    // Cancels every notification from the thread that armed them and runs the callbacks already queued.
    void close_services();  // on the notification thread, mutex_ not held
    void handle_callback(const SERVICE_NOTIFYW& notify);

    const ArmNotification arm_notification_;
    ServiceEventDispatcher dispatcher_;

    std::mutex mutex_;  // guards everything below
    bool running_ = false;
    bool reopen_needed_ = false;
    base::UniqueKernelHandle stop_event_;
    base::UniqueServiceHandle manager_;
    std::unordered_map<std::wstring, std::unique_ptr<Entry>> services_;
    std::thread notification_thread_;
};

}  // namespace qev::winsys::service_utils
