#include "event_queue.h"

namespace qev::client::qevctl {

void EventQueue::push(const client::Event& event)
{
    {
        const std::lock_guard lock(mutex_);
        if (events_.size() >= capacity_) {
            events_.pop_front();
        }
        events_.push_back(event);
    }
    arrived_.notify_one();
}

std::optional<client::Event> EventQueue::pop(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_until(lock, deadline, [this] { return !events_.empty(); })) {
        return std::nullopt;
    }
    client::Event event = std::move(events_.front());
    events_.pop_front();
    return event;
}

}  // namespace qev::client::qevctl
