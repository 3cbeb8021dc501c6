#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace qev::winaudio {

// Counts the callbacks that are running through one COM callback object, so that unregistration
// can wait until none of them still uses its context. A thread that waits from inside one of those
// callbacks does not wait for itself.
class CallbackGate {
public:
    // A gate of a COM callback object counts Windows notification callbacks; one of a worker's
    // deliveries (windowsCallbacks false) does not.
    explicit CallbackGate(bool windowsCallbacks = true) : windowsCallbacks_(windowsCallbacks) {}
    CallbackGate(const CallbackGate&) = delete;
    CallbackGate& operator=(const CallbackGate&) = delete;

    void enter();
    void leave();
    void wait_idle();

    // Whether the calling thread is inside a Windows notification callback, where Windows forbids
    // registering, unregistering, waiting and releasing the last reference to an audio object.
    static bool inside_windows_callback();

    // Enters on construction and leaves on destruction; only for a gate already entered by enter().
    class Pass {
    public:
        explicit Pass(CallbackGate& gate) : gate_(gate) {}
        ~Pass() { gate_.leave(); }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

    private:
        CallbackGate& gate_;
    };

private:
    std::size_t own_depth() const;

    std::mutex mutex_;
    std::condition_variable idle_;
    std::size_t running_ = 0;
    const bool windowsCallbacks_;
};

}  // namespace qev::winaudio
