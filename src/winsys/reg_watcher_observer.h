#pragma once

#include <string>
#include <vector>

namespace qev::winsys::reg_utils_wil {

class RegKeyWatcher;

// Told by a RegKeyWatcher about changes below its key. Calls come from the watcher's thread.
class RegWatcherObserver {
public:
    virtual void subkeys_changed(RegKeyWatcher& watcher, const std::vector<std::wstring>& added,
                                 const std::vector<std::wstring>& removed) = 0;
    virtual void values_changed(RegKeyWatcher& watcher) = 0;

protected:
    // Observers are never owned or deleted through this interface.
    ~RegWatcherObserver() = default;
};

}  // namespace qev::winsys::reg_utils_wil
