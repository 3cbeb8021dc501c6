#include "rpc/pipe_broker.h"

#include "base/event.h"
#include "base/logging.h"

#include <exception>
#include <system_error>
#include <utility>
#include <vector>

namespace qev::rpc {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
// After a failed pipe creation: retry soon, but do not spin.
constexpr DWORD kCreateRetryPauseMs = 100;

std::mutex& singleton_mutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<PipeBroker>& singleton_slot()
{
    static std::shared_ptr<PipeBroker> broker;
    return broker;
}

}  // namespace

std::shared_ptr<PipeBroker> PipeBroker::instance(const PipeNames& names)
{
    const std::lock_guard lock(singleton_mutex());
    auto& slot = singleton_slot();
    if (!slot) {
        slot = std::make_shared<PipeBroker>(names);
    }
    return slot;
}

void PipeBroker::shutdown(const std::shared_ptr<PipeBroker>& broker)
{
    if (!broker) {
        return;
    }
    broker->stop();
    const std::lock_guard lock(singleton_mutex());
    auto& slot = singleton_slot();
    if (slot == broker) {
        slot.reset();
    }
}

PipeBroker::PipeBroker(const PipeNames& names)
    : names_(names), stop_event_(base::create_event(base::EventReset::manual))
{
    request_listener_ = std::thread(&PipeBroker::listen, this, names_.request_pipe, Slot::request);
    notify_listener_ = std::thread(&PipeBroker::listen, this, names_.notify_pipe, Slot::notify);
    timer_thread_ = std::thread(&PipeBroker::run_sweep_timer, this);
}

PipeBroker::~PipeBroker()
{
    stop();
    for (std::thread* thread : {&request_listener_, &notify_listener_, &timer_thread_}) {
        if (thread->joinable()) {
            thread->join();
        }
    }
    for (auto& [process_id, entry] : pending_) {
        for (PipeConnection* connection : {entry.notify.get(), entry.request.get()}) {
            if (connection != nullptr) {
                connection->cancel();
            }
        }
    }
}

void PipeBroker::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    pair_ready_.notify_all();
    SetEvent(stop_event_.get());
}

int64_t PipeBroker::now_ticks()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void PipeBroker::listen(const std::wstring& name, Slot slot)
{
    while (WaitForSingleObject(stop_event_.get(), 0) != WAIT_OBJECT_0) {
        try {
            if (!accept_one(name, slot)) {
                WaitForSingleObject(stop_event_.get(), kCreateRetryPauseMs);
            }
        } catch (const std::exception& failure) {
            // That connection is lost; the listener goes on.
            base::log_printf("Pipe listener: %s\n", failure.what());
            WaitForSingleObject(stop_event_.get(), kCreateRetryPauseMs);
        }
    }
}

bool PipeBroker::accept_one(const std::wstring& name, Slot slot)
{
    auto connection = new_instance(name);
    if (!connection) {
        return false;
    }
    if (connection->connect(stop_event_.get())) {
        add_pending(std::move(connection), slot);
    }
    return true;
}

std::unique_ptr<PipeConnection> PipeBroker::new_instance(const std::wstring& name)
{
    DWORD error = 0;
    try {
        auto connection = std::make_unique<PipeConnection>(name);
        if (connection->create_instance()) {
            return connection;
        }
        error = GetLastError();
    } catch (const std::system_error& failure) {
        error = static_cast<DWORD>(failure.code().value());
    }
    base::log_printf("Error occurred while creating the pipe: %d\n", static_cast<int>(error));
    return nullptr;
}

void PipeBroker::add_pending(std::unique_ptr<PipeConnection> connection, Slot slot)
{
    std::unique_ptr<PipeConnection> displaced;
    {
        const std::lock_guard lock(mutex_);
        PendingPair& entry = pending_[connection->client_process_id()];
        const bool was_complete = entry.complete();
        auto& target = slot == Slot::request ? entry.request : entry.notify;
        displaced = std::exchange(target, std::move(connection));
        entry.arrival_ticks = now_ticks();
        if (!was_complete && entry.complete()) {
            ++complete_pairs_;
            pair_ready_.notify_one();
        }
    }
    // The newer connection of the same client wins; the older one is closed now, not left open.
    if (displaced) {
        displaced->close();
    }
}

bool PipeBroker::take_pair(std::unique_ptr<PipeConnection>& request_out, std::unique_ptr<PipeConnection>& notify_out)
{
    std::unique_lock lock(mutex_);
    pair_ready_.wait(lock, [this] { return stopped_ || complete_pairs_ > 0; });
    if (stopped_) {
        return false;
    }
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->second.complete()) {
            request_out = std::move(it->second.request);
            notify_out = std::move(it->second.notify);
            pending_.erase(it);
            --complete_pairs_;
            return true;
        }
    }
    return false;
}

size_t PipeBroker::pending_count() const
{
    const std::lock_guard lock(mutex_);
    return pending_.size();
}

size_t PipeBroker::complete_pair_count() const
{
    const std::lock_guard lock(mutex_);
    return complete_pairs_;
}

void PipeBroker::sweep(int64_t now)
{
    std::vector<std::unique_ptr<PipeConnection>> expired;
    {
        const std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end();) {
            PendingPair& entry = it->second;
            const int64_t age_seconds = (now - entry.arrival_ticks) / kTicksPerSecond;
            if (!entry.complete() && age_seconds >= kMaxUnpairedAgeSeconds) {
                expired.push_back(std::move(entry.request ? entry.request : entry.notify));
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& connection : expired) {
        connection->close();
    }
}

void CALLBACK PipeBroker::on_sweep_timer(void* context, DWORD, DWORD)
{
    static_cast<PipeBroker*>(context)->sweep(now_ticks());
}

void PipeBroker::run_sweep_timer()
{
    base::UniqueKernelHandle timer(CreateWaitableTimerW(nullptr, FALSE, L"MyTimer"));
    LARGE_INTEGER due{};
    due.QuadPart = -kMaxUnpairedAgeSeconds * kTicksPerSecond;
    if (!timer || !SetWaitableTimer(timer.get(), &due, kSweepPeriodMs, &PipeBroker::on_sweep_timer, this, FALSE)) {
        base::log_printf("fail to set waitable timer: 0x%x\n", static_cast<unsigned>(GetLastError()));
        return;
    }
    // The sweep runs as an APC on this thread while it waits alertably.
    while (WaitForSingleObjectEx(stop_event_.get(), INFINITE, TRUE) == WAIT_IO_COMPLETION) {
    }
    CancelWaitableTimer(timer.get());
}

}  // namespace qev::rpc
