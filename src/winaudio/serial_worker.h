#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qev::winaudio {

// One thread, in the multithreaded apartment, that runs the tasks posted to it in order. Windows
// notification callbacks record what happened, post it here and return: Windows forbids waiting,
// registering, unregistering and releasing the last reference to an audio object inside them, and
// the work behind a notification does all of these.
class SerialWorker {
public:
    SerialWorker();
    // Lets the tasks posted before run, then ends the thread. Destroyed by one of its own tasks, it
    // lets the thread finish them and end on its own instead of waiting for itself: tasks hold what
    // they need and never their owner's members.
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    void post(std::function<void()> task);

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;          // with mutex
        std::deque<std::function<void()>> tasks;  // guarded by mutex
        bool stopping = false;                    // guarded by mutex
    };

    static void run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace qev::winaudio
