#include "winaudio/serial_worker.h"

#include <objbase.h>

#include "base/com_init.h"

namespace qev::winaudio {

SerialWorker::SerialWorker() : state_(std::make_shared<State>())
{
    thread_ = std::thread([state = state_] { run(state); });
}

SerialWorker::~SerialWorker()
{
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();  // the thread holds the state and ends after this task
    } else {
        thread_.join();
    }
}

void SerialWorker::post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->stopping) {
            return;
        }
        state_->tasks.push_back(std::move(task));
    }
    state_->changed.notify_all();
}

void SerialWorker::run(const std::shared_ptr<State>& state)
{
    const base::ComInit com(COINIT_MULTITHREADED);
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return !state->tasks.empty() || state->stopping; });
        if (state->tasks.empty()) {
            return;
        }
        std::function<void()> task = std::move(state->tasks.front());
        state->tasks.pop_front();
        lock.unlock();
        task();
        task = nullptr;  // what the task holds goes here, outside the lock
        lock.lock();
    }
}

}  // namespace qev::winaudio
