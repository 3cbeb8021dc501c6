#include "effects/application/endpoint_work.h"

#include <exception>
#include <utility>

#include "base/com_init.h"
#include "base/logging.h"

namespace qev::effects {

EndpointWork& EndpointWork::Instance()
{
    static EndpointWork work;
    return work;
}

EndpointWork::~EndpointWork()
{
    {
        const std::lock_guard lock(queueMutex_);
        stopping_ = true;
        queue_.clear();
    }
    queueChanged_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void EndpointWork::Run(const std::function<void()>& task)
{
    const std::lock_guard lock(runMutex_);
    task();
}

void EndpointWork::Post(std::function<void()> task)
{
    {
        const std::lock_guard lock(queueMutex_);
        if (stopping_) {
            return;
        }
        if (!worker_.joinable()) {
            worker_ = std::thread(&EndpointWork::WorkerMain, this);
        }
        queue_.push_back(std::move(task));
        ++posted_;
    }
    queueChanged_.notify_all();
}

void EndpointWork::WaitIdle()
{
    std::unique_lock lock(queueMutex_);
    if (worker_.get_id() == std::this_thread::get_id()) {
        return;
    }
    const std::uint64_t target = posted_;
    queueChanged_.wait(lock, [&] { return stopping_ || finished_ >= target; });
}

void EndpointWork::WorkerMain()
{
    // The worker's own apartment; the handlers' COM objects live no longer than their task.
    const base::ComInit com(COINIT_MULTITHREADED);
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        try {
            Run(task);
        } catch (const std::exception& e) {
            base::log_printf("Endpoint notification work failed: %s\n", e.what());
        }
        {
            const std::lock_guard lock(queueMutex_);
            ++finished_;
        }
        queueChanged_.notify_all();
    }
}

}  // namespace qev::effects
