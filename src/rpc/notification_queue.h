#pragma once

#include "base/unique_handle.h"

#include <flatbuffers/flatbuffers.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

namespace qev::rpc {

class PipeConnection;

// The messages waiting to go out on one client's notification pipe. Whoever raises an event only
// queues the message and starts its write; nobody ever waits for the client to read, so a client
// that does not read loses its own notifications (once the queue is full) and holds up nothing
// else. The client's read loop calls pump() when write_done_event() fires.
class NotificationQueue {
public:
    static constexpr size_t kMaxMessages = 64;
    static constexpr size_t kMaxBytes = 256 * 1024;

    explicit NotificationQueue(PipeConnection& connection);
    ~NotificationQueue();

    NotificationQueue(const NotificationQueue&) = delete;
    NotificationQueue& operator=(const NotificationQueue&) = delete;

    // Queues one message and writes it at once if the pipe is free. False when it was dropped: the
    // queue is full, or the pipe is closed or broken.
    bool push(flatbuffers::DetachedBuffer message);
    // Signalled when a write has finished.
    HANDLE write_done_event() const { return write_done_.get(); }
    // Collects a finished write and starts the next one.
    void pump();
    // Withdraws the write in flight and drops what is queued; later pushes are refused.
    void close();

private:
    void pump_locked();
    // Takes the finished write off the queue; false while it is still in flight.
    bool collect_locked();
    void drop_all_locked();
    void report_drop_locked();

    PipeConnection& connection_;
    base::UniqueKernelHandle write_done_;

    std::mutex mutex_;  // guards everything below
    // The front message is the one being written while writing_ is set.
    std::deque<flatbuffers::DetachedBuffer> queued_;
    size_t queued_bytes_ = 0;
    OVERLAPPED overlapped_{};
    bool writing_ = false;
    bool closed_ = false;
    // Set from the first drop until a message goes out again, so a stuck client is logged once.
    bool dropping_ = false;
};

}  // namespace qev::rpc
