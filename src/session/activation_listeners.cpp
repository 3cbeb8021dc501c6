#include "session/activation_listeners.h"

#include <cstddef>

namespace qev::session {

namespace {

constexpr std::size_t kMaxListeners = 0x80000000u;

int following(int id)
{
    return id == 0x7FFFFFFF ? 0 : id + 1;
}

}  // namespace

int ActivationListeners::add(ActivationFunction function, void* context)
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (listeners_.size() >= kMaxListeners) {
        return -1;
    }
    int id = nextId_;
    while (listeners_.count(id) != 0) {
        id = following(id);
    }
    listeners_[id] = ActivationListener{function, context};
    return id;
}

void ActivationListeners::remove(int id)
{
    std::lock_guard<std::mutex> guard(mutex_);
    listeners_.erase(id);
}

void ActivationListeners::announce(const std::wstring& endpointId, std::uint32_t kind, bool activated) const
{
    for (const auto& entry : listeners_) {
        entry.second.function(endpointId, &kind, activated, entry.second.context);
    }
}

}  // namespace qev::session
