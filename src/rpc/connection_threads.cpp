#include "rpc/connection_threads.h"

#include "base/logging.h"

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

namespace qev::rpc {

bool ConnectionThreads::start(std::function<void()> body)
{
    {
        const std::lock_guard lock(count_->mutex);
        ++count_->running;
    }
    try {
        std::thread([count = count_, body = std::move(body)]() mutable {
            try {
                body();
            } catch (const std::exception& failure) {
                base::log_printf("Client thread ended by a failure: %s\n", failure.what());
            }
            // The client's objects go before the thread counts as ended.
            body = nullptr;
            const std::lock_guard lock(count->mutex);
            --count->running;
            count->ended.notify_all();
        }).detach();
        return true;
    } catch (const std::system_error& failure) {
        base::log_printf("Cannot start a thread for the client: %s\n", failure.what());
        const std::lock_guard lock(count_->mutex);
        --count_->running;
        return false;
    }
}

void ConnectionThreads::wait_all()
{
    std::unique_lock lock(count_->mutex);
    count_->ended.wait(lock, [this] { return count_->running == 0; });
}

size_t ConnectionThreads::running() const
{
    const std::lock_guard lock(count_->mutex);
    return count_->running;
}

}  // namespace qev::rpc
