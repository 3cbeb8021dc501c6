#pragma once

#include <windows.h>

namespace qev::vpnr {

// Raises the calling thread to time-critical priority while enrollment work runs on it, and puts
// the thread's earlier priority back when it goes (on the thread that raised it).
class ThreadPriorityBoost {
public:
    ThreadPriorityBoost() = default;
    ~ThreadPriorityBoost();
    ThreadPriorityBoost(const ThreadPriorityBoost&) = delete;
    ThreadPriorityBoost& operator=(const ThreadPriorityBoost&) = delete;

    void raise();

private:
    DWORD thread_id_ = 0;
    int previous_ = THREAD_PRIORITY_ERROR_RETURN;
};

}  // namespace qev::vpnr
