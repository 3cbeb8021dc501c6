#include "rpc/notification_queue.h"

#include "base/event.h"
#include "base/logging.h"
#include "rpc/pipe_connection.h"

#include <utility>

namespace qev::rpc {

NotificationQueue::NotificationQueue(PipeConnection& connection)
    : connection_(connection), write_done_(base::create_event(base::EventReset::manual))
{}

NotificationQueue::~NotificationQueue()
{
    close();
}

bool NotificationQueue::push(flatbuffers::DetachedBuffer message)
{
    const std::lock_guard lock(mutex_);
    // A finished write makes room first; a failed one closes the queue.
    collect_locked();
    if (closed_) {
        return false;
    }
    if (queued_.size() >= kMaxMessages || queued_bytes_ + message.size() > kMaxBytes) {
        report_drop_locked();
        return false;
    }
    queued_bytes_ += message.size();
    queued_.push_back(std::move(message));
    pump_locked();
    return !closed_;
}

void NotificationQueue::pump()
{
    const std::lock_guard lock(mutex_);
    pump_locked();
}

void NotificationQueue::close()
{
    const std::lock_guard lock(mutex_);
    if (writing_) {
        connection_.withdraw_write(overlapped_);
        writing_ = false;
    }
    closed_ = true;
    drop_all_locked();
}

void NotificationQueue::pump_locked()
{
    while (!closed_ && collect_locked() && !queued_.empty()) {
        const flatbuffers::DetachedBuffer& next = queued_.front();
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = write_done_.get();
        if (!connection_.start_write(next.data(), static_cast<DWORD>(next.size()), overlapped_)) {
            // A client that has gone takes nothing more; its read loop ends the connection.
            closed_ = true;
            drop_all_locked();
            break;
        }
        writing_ = true;
    }
    // Nothing in flight: the event must not wake the read loop again and again.
    if (!writing_) {
        ResetEvent(write_done_.get());
    }
}

bool NotificationQueue::collect_locked()
{
    if (!writing_) {
        return true;
    }
    DWORD written = 0;
    bool succeeded = false;
    if (!connection_.write_finished(overlapped_, &written, &succeeded)) {
        return false;
    }
    writing_ = false;
    if (!succeeded) {
        // The client has gone; its read loop ends the connection.
        closed_ = true;
        drop_all_locked();
        return false;
    }
    const size_t size = queued_.front().size();
    if (written != size) {
        base::log_printf("Number of bytes(%d) and written(%d) are mismatch\n", static_cast<int>(size),
                         static_cast<int>(written));
    }
    queued_bytes_ -= size;
    queued_.pop_front();
    dropping_ = false;
    return true;
}

void NotificationQueue::drop_all_locked()
{
    queued_.clear();
    queued_bytes_ = 0;
    ResetEvent(write_done_.get());
}

void NotificationQueue::report_drop_locked()
{
    if (!dropping_) {
        dropping_ = true;
        base::log_printf("Notifications to client %llu are dropped: it does not read them\n",
                         static_cast<unsigned long long>(connection_.client_process_id()));
    }
}

}  // namespace qev::rpc
