#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qevsim {

// Two threads that take turns delivering notifications, one at a time: a client hears the changes
// in the order they were made, but not always on the same thread (Windows calls clients from the
// audio service's thread pool). Owned by the watcher thread, which ends them before it ends.
class DeliveryLanes {
public:
    DeliveryLanes();
    ~DeliveryLanes();
    DeliveryLanes(const DeliveryLanes&) = delete;
    DeliveryLanes& operator=(const DeliveryLanes&) = delete;

    // Runs task on the next lane and returns once it has run.
    void run(const std::function<void()>& task);

private:
    class Lane {
    public:
        Lane();
        ~Lane();
        void run(const std::function<void()>& task);

    private:
        void loop();

        std::mutex mutex_;
        std::condition_variable changed_;              // with mutex_
        const std::function<void()>* task_ = nullptr;  // guarded by mutex_
        bool stopping_ = false;                        // guarded by mutex_
        std::thread thread_;
    };

    static constexpr std::size_t kLaneCount = 2;
    std::unique_ptr<Lane> lanes_[kLaneCount];
    std::size_t next_ = 0;
};

}  // namespace qevsim
