#pragma once

#include "datapath/manager/datapath_records.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qev::datapath {

// The lock that makes each datapath operation atomic over the handle table and the per-handle
// contexts. The owning thread may take it again (Create runs Config through the virtual table).
// Events raised while it is held are queued and handed to the sink after the outermost release,
// so no subscriber ever runs under it and a subscriber that takes locks of its own cannot deadlock
// with an operation in progress.
class HandleTableLock {
public:
    using Sink = std::function<void(const NotifyEvent&)>;

    explicit HandleTableLock(Sink sink);

    HandleTableLock(const HandleTableLock&) = delete;
    HandleTableLock& operator=(const HandleTableLock&) = delete;

    class Guard {
    public:
        explicit Guard(HandleTableLock& lock) : lock_(lock) { lock_.acquire(); }
        ~Guard() { lock_.release(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        HandleTableLock& lock_;
    };

    bool held_by_current_thread() const;
    // Queues a copy of the event when the calling thread holds the lock and returns true; otherwise
    // returns false and the caller delivers it.
    bool defer(const NotifyEvent& event);

private:
    struct PendingEvent {
        int32_t type = 0;
        uint32_t value = 0;
        std::optional<std::string> text;
    };

    void acquire();
    void release();
    void deliver(const std::vector<PendingEvent>& events) const;

    const Sink sink_;
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    // Touched only by the owner.
    int depth_ = 0;
    std::vector<PendingEvent> pending_;
};

}  // namespace qev::datapath
