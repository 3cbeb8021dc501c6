#include "vpnr/thread_priority_boost.h"

namespace qev::vpnr {

void ThreadPriorityBoost::raise()
{
    const int current = GetThreadPriority(GetCurrentThread());
    if (current == THREAD_PRIORITY_ERROR_RETURN ||
        !SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL)) {
        return;
    }
    thread_id_ = GetCurrentThreadId();
    previous_ = current;
}

ThreadPriorityBoost::~ThreadPriorityBoost()
{
    if (previous_ != THREAD_PRIORITY_ERROR_RETURN && GetCurrentThreadId() == thread_id_) {
        SetThreadPriority(GetCurrentThread(), previous_);
    }
}

}  // namespace qev::vpnr
