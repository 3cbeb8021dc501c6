#include "delivery_lanes.h"

#include <objbase.h>

#include "base/com_init.h"

namespace qevsim {

DeliveryLanes::DeliveryLanes()
{
    for (auto& lane : lanes_) {
        lane = std::make_unique<Lane>();
    }
}

DeliveryLanes::~DeliveryLanes() = default;

void DeliveryLanes::run(const std::function<void()>& task)
{
    lanes_[next_]->run(task);
    next_ = (next_ + 1) % kLaneCount;
}

DeliveryLanes::Lane::Lane() : thread_([this] { loop(); })
{}

DeliveryLanes::Lane::~Lane()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DeliveryLanes::Lane::run(const std::function<void()>& task)
{
    std::unique_lock<std::mutex> lock(mutex_);
    task_ = &task;
    changed_.notify_all();
    changed_.wait(lock, [this] { return task_ == nullptr; });
}

void DeliveryLanes::Lane::loop()
{
    const qev::base::ComInit com(COINIT_MULTITHREADED);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return task_ != nullptr || stopping_; });
        if (task_ == nullptr) {
            return;
        }
        lock.unlock();
        (*task_)();
        lock.lock();
        task_ = nullptr;
        changed_.notify_all();
    }
}

}  // namespace qevsim
