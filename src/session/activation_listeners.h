#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace qev::session {

// Told of one endpoint entering (true) or leaving (false) the candidates; kind 0 capture, 1 render.
using ActivationFunction = void (*)(const std::wstring& endpointId, const std::uint32_t* kind, bool activated,
                                    void* context);

struct ActivationListener {
    ActivationFunction function = nullptr;
    void* context = nullptr;
};

// The registered listeners. Announcements run under the lock, so a listener removed by
// remove() is not running any more once it returns; listeners must not call back in here.
class ActivationListeners {
public:
    // The new id, or -1 when every id is taken.
    int add(ActivationFunction function, void* context);
    void remove(int id);

    // Holds the lock for a batch of announcements.
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }
    // Calls every listener; the caller holds lock().
    void announce(const std::wstring& endpointId, std::uint32_t kind, bool activated) const;

private:
    std::mutex mutex_;
    std::unordered_map<int, ActivationListener> listeners_;  // guarded by mutex_
    int nextId_ = 0;                                         // guarded by mutex_
};

}  // namespace qev::session
