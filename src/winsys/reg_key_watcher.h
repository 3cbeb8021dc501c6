#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "winsys/reg_watcher_observer.h"
#include "base/unique_handle.h"

namespace qev::winsys::reg_utils_wil {

// Watches one registry key for subkey additions and removals and/or value writes and tells its
// observers. Without any change class selected it starts no thread and never reports anything.
class RegKeyWatcher {
public:
    RegKeyWatcher(HKEY root, std::wstring subkey, bool watch_subkeys, bool watch_values);
    // Stops and joins the watch thread, if any.
    ~RegKeyWatcher();

    RegKeyWatcher(const RegKeyWatcher&) = delete;
    RegKeyWatcher& operator=(const RegKeyWatcher&) = delete;

    void add_observer(RegWatcherObserver* observer);
    // After this returns the observer is not called again (unless from a call already running on
    // the watch thread, i.e. when an observer removes itself).
    void remove_observer(RegWatcherObserver* observer);

    HKEY root() const { return root_; }
    const std::wstring& subkey() const { return subkey_; }
    bool has_thread() const { return thread_.joinable(); }

private:
    void watch_loop();
    LSTATUS register_change(HKEY key, HANDLE change) const;
    void report_change();
    void report_subkeys();
    template <typename Call>
    void notify_observers(Call call);

    const HKEY root_;
    const std::wstring subkey_;
    const bool watch_subkeys_;
    const bool watch_values_;
    std::recursive_mutex observers_mutex_;
    std::vector<RegWatcherObserver*> observers_;
    std::vector<std::wstring> last_subkeys_;  // used by the watch thread only
    base::UniqueKernelHandle stop_event_;
    std::thread thread_;
};

}  // namespace qev::winsys::reg_utils_wil
