#pragma once

#include "client/reply_decoder.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace qev::client::qevctl {

// Notifications handed over from the client's notification thread to the command that prints them.
// Bounded: when nobody watches, the oldest events are dropped.
class EventQueue {
public:
    explicit EventQueue(std::size_t capacity = 1000) : capacity_(capacity) {}

    void push(const client::Event& event);
    // The next event, or nothing once `deadline` has passed.
    std::optional<client::Event> pop(std::chrono::steady_clock::time_point deadline);

private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<client::Event> events_;
};

}  // namespace qev::client::qevctl
