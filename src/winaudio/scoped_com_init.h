#pragma once

namespace qev::winaudio {

// COM for the calling thread: apartment-threaded with OLE1 DDE off, or multithreaded when the
// thread already runs in the multithreaded apartment. Undoes only its own successful initialisation.
class ScopedComInit {
public:
    ScopedComInit();
    ~ScopedComInit();
    ScopedComInit(const ScopedComInit&) = delete;
    ScopedComInit& operator=(const ScopedComInit&) = delete;

    bool initialized() const { return initialized_; }

private:
    bool initialized_ = false;
};

}  // namespace qev::winaudio
