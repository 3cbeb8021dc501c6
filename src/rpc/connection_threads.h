#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>

namespace qev::rpc {

// The threads that serve connected clients. Each one is released from its thread object as it
// starts and counted until its very last step, so a thread whose client has gone ends completely
// right away (nothing waits for the next client to join it), and wait_all() knows when none is left.
class ConnectionThreads {
public:
    ConnectionThreads() = default;
    ConnectionThreads(const ConnectionThreads&) = delete;
    ConnectionThreads& operator=(const ConnectionThreads&) = delete;

    // Runs `body` on a new thread; its captures are destroyed on that thread before it counts as
    // ended. False (logged) when no thread could be made; `body` is destroyed then, unrun.
    bool start(std::function<void()> body);
    // Returns once every thread started so far has ended.
    void wait_all();
    size_t running() const;

private:
    // Outlives this object as long as a thread still uses it.
    struct Count {
        mutable std::mutex mutex;  // guards running
        std::condition_variable ended;
        size_t running = 0;
    };

    std::shared_ptr<Count> count_ = std::make_shared<Count>();
};

}  // namespace qev::rpc
