#include "winsys/service_status_watcher.h"

#include "base/logging.h"

#include <utility>

namespace qev::winsys::service_utils {

namespace {

constexpr DWORD kWaitMilliseconds = 100;

// Stopped, start pending, stop pending, running, continue pending, pause pending, paused, delete pending.
constexpr DWORD kNotifyMask = SERVICE_NOTIFY_STOPPED | SERVICE_NOTIFY_START_PENDING | SERVICE_NOTIFY_STOP_PENDING |
                              SERVICE_NOTIFY_RUNNING | SERVICE_NOTIFY_CONTINUE_PENDING | SERVICE_NOTIFY_PAUSE_PENDING |
                              SERVICE_NOTIFY_PAUSED | SERVICE_NOTIFY_DELETE_PENDING;
static_assert(kNotifyMask == 0x27F);

ServiceStatusEvent event_from(const std::wstring& name, DWORD status, const SERVICE_STATUS_PROCESS& state)
{
    ServiceStatusEvent event;
    event.service_name = name;
    event.notification_status = status;
    event.current_state = state.dwCurrentState;
    event.controls_accepted = state.dwControlsAccepted;
    event.win32_exit_code = state.dwWin32ExitCode;
    event.service_specific_exit_code = state.dwServiceSpecificExitCode;
    event.check_point = state.dwCheckPoint;
    event.wait_hint = state.dwWaitHint;
    return event;
}

ServiceStatusEvent error_event(const std::wstring& name, DWORD error, DWORD state)
{
    ServiceStatusEvent event;
    event.service_name = name;
    event.notification_status = error;
    event.current_state = state;
    return event;
}

}  // namespace

ServiceStatusWatcher::ServiceStatusWatcher(ArmNotification arm_notification) : arm_notification_(arm_notification)
{}

ServiceStatusWatcher::~ServiceStatusWatcher()
{
    stop();
}

void ServiceStatusWatcher::add_service(const std::wstring& name)
{
    const std::lock_guard lock(mutex_);
    auto& entry = services_[name];
    if (!entry) {
        entry = std::make_unique<Entry>();
        entry->name = name;
    }
    entry->rearm_needed = true;
}

void ServiceStatusWatcher::add_handler(Handler handler)
{
    dispatcher_.add_handler(std::move(handler));
}

bool ServiceStatusWatcher::start()
{
    const std::lock_guard lock(mutex_);
    if (running_ || notification_thread_.joinable()) {
        return true;
    }
    stop_event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    manager_.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    running_ = true;
    reopen_needed_ = false;
    for (auto& [name, entry] : services_) {
        entry->rearm_needed = true;
        entry->closing = false;
    }
    dispatcher_.start();
    notification_thread_ = std::thread(&ServiceStatusWatcher::notification_loop, this);
    return true;
}

void ServiceStatusWatcher::stop()
{
    {
        const std::lock_guard lock(mutex_);
        running_ = false;
        for (auto& [name, entry] : services_) {
            entry->closing = true;
        }
        if (stop_event_) {
            SetEvent(stop_event_.get());
        }
    }
    // The notification thread cancels its notifications itself before it ends.
    if (notification_thread_.joinable()) {
        notification_thread_.join();
    }
    dispatcher_.stop();
    const std::lock_guard lock(mutex_);
    manager_.reset();
    stop_event_.reset();
}

bool ServiceStatusWatcher::wait_alertably() const
{
    // The event handle is only replaced by start/stop while this thread is not running.
    if (stop_event_) {
        return WaitForSingleObjectEx(stop_event_.get(), kWaitMilliseconds, TRUE) != WAIT_OBJECT_0;
    }
    SleepEx(kWaitMilliseconds, TRUE);
    return true;
}

void ServiceStatusWatcher::notification_loop()
{
    while (wait_alertably()) {
        bool reopen = false;
        {
            const std::lock_guard lock(mutex_);
            if (!running_) {
                break;
            }
            reopen = std::exchange(reopen_needed_, false);
        }
        if (reopen) {
            close_services();
            reopen_manager();
        }
        const std::lock_guard lock(mutex_);
        arm_pending();
    }
    close_services();
}

void ServiceStatusWatcher::close_services()
{
    {
        const std::lock_guard lock(mutex_);
        for (auto& [name, entry] : services_) {
            // Closing a service handle cancels its notification; a callback already queued finds
            // the entry closing and is dropped.
            entry->closing = true;
            entry->service.reset();
            entry->armed = false;
        }
    }
    // Queued callbacks run now, on the thread that armed them, while their blocks still exist.
    SleepEx(0, TRUE);
}

void ServiceStatusWatcher::reopen_manager()
{
    const std::lock_guard lock(mutex_);
    if (!running_) {
        return;
    }
    base::log_wprintf(L"Service notifications lag behind; reopening the service control manager\n");
    manager_.reset();
    manager_.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    for (auto& [name, entry] : services_) {
        entry->closing = false;
        entry->rearm_needed = true;
    }
}

void ServiceStatusWatcher::arm_pending()
{
    if (!running_ || !manager_) {
        return;
    }
    for (auto& [name, entry] : services_) {
        if (entry->rearm_needed && !entry->closing) {
            entry->rearm_needed = false;
            arm(*entry);
        }
    }
}

void ServiceStatusWatcher::arm(Entry& entry)
{
    if (!entry.service) {
        entry.service.reset(OpenServiceW(manager_.get(), entry.name.c_str(), SERVICE_QUERY_STATUS));
        if (!entry.service) {
            dispatcher_.post(error_event(entry.name, GetLastError(), SERVICE_STOPPED));
            return;
        }
    }
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (QueryServiceStatusEx(entry.service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                             sizeof(status), &needed)) {
        dispatcher_.post(event_from(entry.name, ERROR_SUCCESS, status));
    } else {
        dispatcher_.post(error_event(entry.name, GetLastError(), 0));
    }
    if (entry.armed) {
        return;
    }
    entry.notify = SERVICE_NOTIFYW{};
    entry.notify.dwVersion = SERVICE_NOTIFY_STATUS_CHANGE;
    entry.notify.pfnNotifyCallback = &ServiceStatusWatcher::on_status_change;
    entry.notify.pContext = this;
    const DWORD error = arm_notification_(entry.service.get(), kNotifyMask, &entry.notify);
    if (error != ERROR_SUCCESS) {
        base::log_wprintf(L"Failed to arm notification for service %s, error: 0x%08X\n", entry.name.c_str(),
                          static_cast<unsigned>(error));
        dispatcher_.post(error_event(entry.name, error, 0));
        // A service marked for deletion must be reopened before it can be watched again.
        if (error == ERROR_SERVICE_MARKED_FOR_DELETE) {
            entry.service.reset();
        }
        reopen_needed_ = reopen_needed_ || error == kNotifyClientLagging;
        return;
    }
    entry.armed = true;
}

void CALLBACK ServiceStatusWatcher::on_status_change(void* parameter)
{
    const auto* notify = static_cast<const SERVICE_NOTIFYW*>(parameter);
    if (notify == nullptr || notify->pContext == nullptr) {
        return;
    }
    static_cast<ServiceStatusWatcher*>(notify->pContext)->handle_callback(*notify);
}

void ServiceStatusWatcher::handle_callback(const SERVICE_NOTIFYW& notify)
{
    const std::lock_guard lock(mutex_);
    for (auto& [name, entry] : services_) {
        // Only this very entry's block counts; a stale notification of a replaced or closing entry is dropped.
        if (&entry->notify != &notify || entry->closing) {
            continue;
        }
        dispatcher_.post(event_from(entry->name, notify.dwNotificationStatus, notify.ServiceStatus));
        entry->armed = false;
        entry->rearm_needed = true;
        reopen_needed_ = reopen_needed_ || notify.dwNotificationStatus == kNotifyClientLagging;
        return;
    }
}

}  // namespace qev::winsys::service_utils
