#include "session/audio_service_recovery.h"

#include <objbase.h>

#include "base/com_init.h"

namespace qev::session {

void AudioServiceRecovery::schedule(std::function<void()> restart)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || running_) {
        return;
    }
    if (thread_.joinable()) {
        thread_.join();  // the previous restart has finished
    }
    running_ = true;
    thread_ = std::thread([this, restart = std::move(restart)] { run(restart); });
}

void AudioServiceRecovery::run(const std::function<void()>& restart)
{
    const base::ComInit com(COINIT_MULTITHREADED);
    bool cancelled = false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cancelled = cancelled_.wait_for(lock, delay_, [this] { return closed_; });
    }
    if (!cancelled) {
        restart();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
}

void AudioServiceRecovery::close()
{
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        thread.swap(thread_);
    }
    cancelled_.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
}

void AudioServiceRecovery::open()
{
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = false;
}

}  // namespace qev::session
