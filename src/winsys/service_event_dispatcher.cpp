#include "winsys/service_event_dispatcher.h"

#include <utility>

namespace qev::winsys::service_utils {

ServiceEventDispatcher::~ServiceEventDispatcher()
{
    stop();
}

void ServiceEventDispatcher::add_handler(Handler handler)
{
    const std::lock_guard lock(mutex_);
    if (run_) {
        const std::lock_guard run_lock(run_->mutex);
        run_->handlers.push_back(handler);
    }
    handlers_.push_back(std::move(handler));
}

void ServiceEventDispatcher::start()
{
    const std::lock_guard lock(mutex_);
    if (run_) {
        return;
    }
    auto run = std::make_shared<Run>();
    run->handlers = handlers_;
    thread_ = std::thread(&ServiceEventDispatcher::dispatch, run);
    run_ = std::move(run);
}

void ServiceEventDispatcher::post(ServiceStatusEvent event)
{
    const std::lock_guard lock(mutex_);
    if (!run_) {
        return;
    }
    const std::lock_guard run_lock(run_->mutex);
    run_->events.push_back(std::move(event));
    run_->ready.notify_one();
}

void ServiceEventDispatcher::stop()
{
    std::shared_ptr<Run> run;
    {
        const std::lock_guard lock(mutex_);
        run = std::exchange(run_, nullptr);
    }
    if (!run) {
        return;
    }
    {
        const std::lock_guard run_lock(run->mutex);
        run->stopping = true;
        run->events.clear();
    }
    run->ready.notify_all();
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else if (thread_.joinable()) {
        thread_.join();
    }
}

void ServiceEventDispatcher::dispatch(const std::shared_ptr<Run>& run)
{
    std::unique_lock lock(run->mutex);
    for (;;) {
        run->ready.wait(lock, [&run] { return run->stopping || !run->events.empty(); });
        if (run->stopping) {
            return;
        }
        const ServiceStatusEvent event = std::move(run->events.front());
        run->events.pop_front();
        const std::vector<Handler> handlers = run->handlers;
        lock.unlock();
        for (const Handler& handler : handlers) {
            handler(event);
            // A handler may have stopped the dispatcher; the rest of the handlers do not run then.
            const std::lock_guard check(run->mutex);
            if (run->stopping) {
                return;
            }
        }
        lock.lock();
    }
}

}  // namespace qev::winsys::service_utils
