#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace qev::bench {

// Arrival times of notifications, each with what arrived, handed from a notification thread to
// the measuring one.
template <typename T>
class ArrivalQueue {
public:
    using Clock = std::chrono::steady_clock;
    using Arrival = std::pair<Clock::time_point, T>;

    void push(T value)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            arrivals_.emplace_back(Clock::now(), std::move(value));
        }
        arrived_.notify_all();
    }

    std::optional<Arrival> pop(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!arrived_.wait_for(lock, timeout, [this] { return !arrivals_.empty(); })) {
            return std::nullopt;
        }
        Arrival arrival = std::move(arrivals_.front());
        arrivals_.pop_front();
        return arrival;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Arrival> arrivals_;  // guarded by mutex_
};

}  // namespace qev::bench
