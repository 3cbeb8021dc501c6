#include "winsys/service_status_watcher.h"

#include "base/logging.h"

namespace qev::winsys::service_utils {

namespace {

constexpr DWORD kWaitMilliseconds = 100;

// Stopped, start pending, stop pending, running, continue pending, pause pending, paused, delete pending.
constexpr DWORD kNotifyMask = SERVICE_NOTIFY_STOPPED | SERVICE_NOTIFY_START_PENDING | SERVICE_NOTIFY_STOP_PENDING |
                              SERVICE_NOTIFY_RUNNING | SERVICE_NOTIFY_CONTINUE_PENDING | SERVICE_NOTIFY_PAUSE_PENDING |
                              SERVICE_NOTIFY_PAUSED | SERVICE_NOTIFY_DELETE_PENDING;
static_assert(kNotifyMask == 0x27F);

ServiceStatusWatcher::Event event_from(const std::wstring& name, DWORD status, const SERVICE_STATUS_PROCESS& state)
{
    ServiceStatusWatcher::Event event;
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

ServiceStatusWatcher::Event error_event(const std::wstring& name, DWORD error, DWORD state)
{
    ServiceStatusWatcher::Event event;
    event.service_name = name;
    event.notification_status = error;
    event.current_state = state;
    return event;
}

}  // namespace

ServiceStatusWatcher::~ServiceStatusWatcher()
{
    stop();
}

void ServiceStatusWatcher::add_service(const std::wstring& name)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    auto& entry = services_[name];
    if (!entry) {
        entry = std::make_unique<Entry>();
        entry->name = name;
    }
    entry->rearm_needed = true;
}

void ServiceStatusWatcher::add_handler(Handler handler)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    handlers_.push_back(std::move(handler));
}

bool ServiceStatusWatcher::start()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (running_ || notification_thread_.joinable() || dispatch_thread_.joinable()) {
        return true;
    }
    stop_event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    manager_.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    running_ = true;
    dispatch_stop_ = false;
    for (auto& [name, entry] : services_) {
        entry->rearm_needed = true;
        entry->closing = false;
    }
    notification_thread_ = std::thread(&ServiceStatusWatcher::notification_loop, this);
    dispatch_thread_ = std::thread(&ServiceStatusWatcher::dispatch_loop, this);
    return true;
}

void ServiceStatusWatcher::stop()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        dispatch_stop_ = true;
        for (auto& [name, entry] : services_) {
            entry->closing = true;
        }
        if (stop_event_) {
            SetEvent(stop_event_.get());
        }
    }
    events_ready_.notify_all();
    if (notification_thread_.joinable()) {
        notification_thread_.join();
    }
    if (dispatch_thread_.joinable()) {
        dispatch_thread_.join();
    }
    // Closing a service handle cancels its pending notification.
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [name, entry] : services_) {
        entry->service.reset();
        entry->armed = false;
    }
    events_.clear();
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
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!running_) {
            return;
        }
        arm_pending();
    }
}

void ServiceStatusWatcher::arm_pending()
{
    if (!manager_) {
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
            queue(error_event(entry.name, GetLastError(), SERVICE_STOPPED));
            return;
        }
    }
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (QueryServiceStatusEx(entry.service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                             sizeof(status), &needed)) {
        queue(event_from(entry.name, ERROR_SUCCESS, status));
    } else {
        queue(error_event(entry.name, GetLastError(), 0));
    }
    if (entry.armed) {
        return;
    }
    entry.notify = SERVICE_NOTIFYW{};
    entry.notify.dwVersion = SERVICE_NOTIFY_STATUS_CHANGE;
    entry.notify.pfnNotifyCallback = &ServiceStatusWatcher::on_status_change;
    entry.notify.pContext = this;
    const DWORD error = NotifyServiceStatusChangeW(entry.service.get(), kNotifyMask, &entry.notify);
    if (error != ERROR_SUCCESS) {
        base::log_wprintf(L"Failed to arm notification for service %s, error: 0x%08X\n", entry.name.c_str(),
                          static_cast<unsigned>(error));
        queue(error_event(entry.name, error, 0));
        // A service marked for deletion must be reopened before it can be watched again.
        if (error == ERROR_SERVICE_MARKED_FOR_DELETE) {
            entry.service.reset();
        }
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
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [name, entry] : services_) {
        // Only this very entry's block counts; a stale notification of a replaced or closing entry is dropped.
        if (&entry->notify != &notify || entry->closing) {
            continue;
        }
        queue(event_from(entry->name, notify.dwNotificationStatus, notify.ServiceStatus));
        entry->armed = false;
        entry->rearm_needed = true;
        return;
    }
}

void ServiceStatusWatcher::queue(Event event)
{
    events_.push_back(std::move(event));
    events_ready_.notify_one();
}

void ServiceStatusWatcher::dispatch_loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        events_ready_.wait(lock, [this] { return dispatch_stop_ || !events_.empty(); });
        if (dispatch_stop_) {
            return;
        }
        const Event event = std::move(events_.front());
        events_.pop_front();
        const std::vector<Handler> handlers = handlers_;
        lock.unlock();
        for (const Handler& handler : handlers) {
            handler(event);
        }
        lock.lock();
    }
}

}  // namespace qev::winsys::service_utils
