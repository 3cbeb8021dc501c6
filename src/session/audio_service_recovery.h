#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qev::session {

// Runs a restart once, a delay after the audio service runs again, on a thread of its own that
// close() cancels and joins. While one restart is pending, further requests are ignored.
class AudioServiceRecovery {
public:
    explicit AudioServiceRecovery(std::chrono::milliseconds delay) : delay_(delay) {}
    ~AudioServiceRecovery() { close(); }

    AudioServiceRecovery(const AudioServiceRecovery&) = delete;
    AudioServiceRecovery& operator=(const AudioServiceRecovery&) = delete;

    void schedule(std::function<void()> restart);
    // Cancels a pending restart, waits for a running one and refuses new ones until open().
    // Never called from the restart itself.
    void close();
    void open();

private:
    void run(const std::function<void()>& restart);

    const std::chrono::milliseconds delay_;
    std::mutex mutex_;
    std::condition_variable cancelled_;  // with mutex_
    bool closed_ = false;                // guarded by mutex_
    bool running_ = false;               // guarded by mutex_
    std::thread thread_;                 // guarded by mutex_
};

}  // namespace qev::session
