#include "winaudio/callback_gate.h"

#include <algorithm>
#include <vector>

namespace qev::winaudio {

namespace {

// The gates the current thread is inside, innermost last.
std::vector<const CallbackGate*>& gates_of_this_thread()
{
    thread_local std::vector<const CallbackGate*> gates;
    return gates;
}

}  // namespace

void CallbackGate::enter()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++running_;
    }
    gates_of_this_thread().push_back(this);
}

void CallbackGate::leave()
{
    auto& gates = gates_of_this_thread();
    const auto it = std::find(gates.rbegin(), gates.rend(), this);
    if (it != gates.rend()) {
        gates.erase(std::next(it).base());
    }
    std::lock_guard<std::mutex> lock(mutex_);
    --running_;
    idle_.notify_all();
}

std::size_t CallbackGate::own_depth() const
{
    const auto& gates = gates_of_this_thread();
    return static_cast<std::size_t>(std::count(gates.begin(), gates.end(), this));
}

bool CallbackGate::inside_windows_callback()
{
    const auto& gates = gates_of_this_thread();
    return std::any_of(gates.begin(), gates.end(), [](const CallbackGate* gate) { return gate->windowsCallbacks_; });
}

void CallbackGate::wait_idle()
{
    const std::size_t own = own_depth();
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this, own] { return running_ <= own; });
}

}  // namespace qev::winaudio
