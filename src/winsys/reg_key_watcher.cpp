#include "winsys/reg_key_watcher.h"

#include <algorithm>

#include "base/logging.h"
#include "winsys/registry.h"

namespace qev::winsys::reg_utils_wil {

namespace {

// Names in `from` that are not in `other`.
std::vector<std::wstring> missing_from(const std::vector<std::wstring>& from, const std::vector<std::wstring>& other)
{
    std::vector<std::wstring> result;
    for (const std::wstring& name : from) {
        if (std::find(other.begin(), other.end(), name) == other.end()) {
            result.push_back(name);
        }
    }
    return result;
}

}  // namespace

RegKeyWatcher::RegKeyWatcher(HKEY root, std::wstring subkey, bool watch_subkeys, bool watch_values)
    : root_(root), subkey_(std::move(subkey)), watch_subkeys_(watch_subkeys), watch_values_(watch_values),
      stop_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    // Without a stop event the thread could never be ended, so it is not started.
    if ((watch_subkeys_ || watch_values_) && stop_event_) {
        thread_ = std::thread(&RegKeyWatcher::watch_loop, this);
    }
}

RegKeyWatcher::~RegKeyWatcher()
{
    if (thread_.joinable()) {
        SetEvent(stop_event_.get());
        thread_.join();
    }
}

void RegKeyWatcher::add_observer(RegWatcherObserver* observer)
{
    const std::lock_guard<std::recursive_mutex> lock(observers_mutex_);
    if (observer != nullptr && std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
        observers_.push_back(observer);
    }
}

void RegKeyWatcher::remove_observer(RegWatcherObserver* observer)
{
    const std::lock_guard<std::recursive_mutex> lock(observers_mutex_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

template <typename Call>
void RegKeyWatcher::notify_observers(Call call)
{
    // Held while calling, so remove_observer waits for a running delivery; recursive so an observer
    // may add or remove observers from its call.
    const std::lock_guard<std::recursive_mutex> lock(observers_mutex_);
    const std::vector<RegWatcherObserver*> snapshot = observers_;
    for (RegWatcherObserver* observer : snapshot) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
            call(*observer);
        }
    }
}

void RegKeyWatcher::watch_loop()
{
    base::UniqueRegKey key;
    const LSTATUS open_status = RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_NOTIFY, key.put());
    if (open_status != ERROR_SUCCESS) {
        base::log_wprintf(L"[Reg] Failed to open key, err: 0x%08X, path: %s\n", static_cast<unsigned>(open_status),
                          subkey_.c_str());
        return;
    }
    const base::UniqueKernelHandle change(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!change) {
        base::log_wprintf(L"[Reg] Failed to create event, err: 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return;
    }
    // Registered before the first read, so nothing between the two goes unnoticed.
    LSTATUS status = register_change(key.get(), change.get());
    enum_subkeys(root_, subkey_, last_subkeys_);
    while (status == ERROR_SUCCESS) {
        // The stop event comes first so it wins over a pending change.
        const HANDLE handles[] = {stop_event_.get(), change.get()};
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            return;
        }
        // Registered again before the key is read, so a change made while observers run is not lost.
        status = register_change(key.get(), change.get());
        report_change();
    }
    base::log_wprintf(L"[Reg] Failed to notify value change, err: 0x%08X, key: %s\n", static_cast<unsigned>(status),
                      subkey_.c_str());
}

LSTATUS RegKeyWatcher::register_change(HKEY key, HANDLE change) const
{
    const DWORD filter =
        (watch_subkeys_ ? REG_NOTIFY_CHANGE_NAME : 0u) | (watch_values_ ? REG_NOTIFY_CHANGE_LAST_SET : 0u);
    ResetEvent(change);
    return RegNotifyChangeKeyValue(key, watch_subkeys_, filter, change, TRUE);
}

void RegKeyWatcher::report_change()
{
    if (watch_subkeys_) {
        report_subkeys();
        return;
    }
    notify_observers([this](RegWatcherObserver& observer) { observer.values_changed(*this); });
}

void RegKeyWatcher::report_subkeys()
{
    std::vector<std::wstring> current;
    if (!enum_subkeys(root_, subkey_, current)) {
        current.clear();
    }
    const std::vector<std::wstring> added = missing_from(current, last_subkeys_);
    const std::vector<std::wstring> removed = missing_from(last_subkeys_, current);
    last_subkeys_ = std::move(current);
    notify_observers(
        [this, &added, &removed](RegWatcherObserver& observer) { observer.subkeys_changed(*this, added, removed); });
}

}  // namespace qev::winsys::reg_utils_wil
