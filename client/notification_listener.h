#pragma once

#include "client/message_pipe.h"
#include "client/reply_decoder.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace qev::client {

using EventHandler = std::function<void(const Event&)>;

// Owns the notification pipe and the thread that reads it. The thread decodes each message and hands the
// event to the handler; it ends when the pipe closes or stop() is called. Messages that are not valid
// notifications are dropped and counted.
class NotificationListener {
public:
    NotificationListener(MessagePipe pipe, EventHandler handler);
    ~NotificationListener();

    NotificationListener(const NotificationListener&) = delete;
    NotificationListener& operator=(const NotificationListener&) = delete;

    // Ends the thread and closes the pipe; returns once the handler is no longer running. Not to be called
    // from inside the handler.
    void stop();

    bool running() const { return running_.load(); }
    std::uint64_t dropped() const { return dropped_.load(); }

private:
    void run();

    MessagePipe pipe_;
    EventHandler handler_;
    std::atomic<bool> running_{true};
    std::atomic<std::uint64_t> dropped_{0};
    std::thread thread_;
};

}  // namespace qev::client
