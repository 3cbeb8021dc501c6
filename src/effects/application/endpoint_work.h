#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace qev::effects {

// The process's work on endpoint settings, one piece at a time. The scan runs its pieces on its own
// thread; the notification handlers post theirs to the worker thread of this object, so a Windows
// notification thread never waits, and no two pieces change endpoints at the same time (an
// endpoint's lists are read, changed and written back by each piece).
class EndpointWork {
public:
    static EndpointWork& Instance();

    EndpointWork(const EndpointWork&) = delete;
    EndpointWork& operator=(const EndpointWork&) = delete;

    // Runs the task on the calling thread once no other piece runs.
    void Run(const std::function<void()>& task);
    // Queues the task for the worker thread (started on first use) and returns at once. Tasks run in
    // the order they were posted. Dropped once the object is going away.
    void Post(std::function<void()> task);
    // Returns once every task posted before the call has run (at once on the worker thread).
    void WaitIdle();

private:
    EndpointWork() = default;
    // Lets the worker finish the task it runs; queued tasks are dropped.
    ~EndpointWork();

    void WorkerMain();

    std::mutex runMutex_;  // held while a piece of work runs
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<std::function<void()>> queue_;  // guarded by queueMutex_
    std::uint64_t posted_ = 0;                 // guarded by queueMutex_
    std::uint64_t finished_ = 0;               // guarded by queueMutex_
    bool stopping_ = false;                    // guarded by queueMutex_
    std::thread worker_;                       // started and joined under the rules above
};

}  // namespace qev::effects
