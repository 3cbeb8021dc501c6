#include "winsys/reg_key_watcher.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <vector>

#include "debug_output_capture.h"
#include "test_registry_key.h"

namespace qev::winsys::reg_utils_wil {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::wstring>;

class RecordingObserver : public RegWatcherObserver {
public:
    struct SubkeyChange {
        Names added;
        Names removed;
    };

    void subkeys_changed(RegKeyWatcher& watcher, const Names& added, const Names& removed) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        watcher_seen_ = &watcher;
        subkey_changes_.push_back(SubkeyChange{added, removed});
        changed_.notify_all();
    }

    void values_changed(RegKeyWatcher& watcher) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        watcher_seen_ = &watcher;
        ++value_changes_;
        changed_.notify_all();
    }

    // Waits up to ten seconds for a subkey report that added (or removed) `name`.
    bool wait_for_subkey(const std::wstring& name, bool added)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] {
            for (const SubkeyChange& change : subkey_changes_) {
                const Names& names = added ? change.added : change.removed;
                if (std::find(names.begin(), names.end(), name) != names.end()) {
                    return true;
                }
            }
            return false;
        });
    }

    bool wait_for_value_changes(int count, std::chrono::milliseconds timeout = 10s)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return value_changes_ >= count; });
    }

    std::vector<SubkeyChange> subkey_changes() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return subkey_changes_;
    }
    int value_changes() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return value_changes_;
    }
    int calls() const { return static_cast<int>(subkey_changes().size()) + value_changes(); }
    RegKeyWatcher* watcher_seen() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return watcher_seen_;
    }
    void clear()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        subkey_changes_.clear();
        value_changes_ = 0;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<SubkeyChange> subkey_changes_;
    int value_changes_ = 0;
    RegKeyWatcher* watcher_seen_ = nullptr;
};

int thread_count()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) {
            ++count;
        }
    }
    CloseHandle(snapshot);
    return count;
}

bool delete_subkey(const test::TestRegistryKey& key, const std::wstring& name)
{
    return RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.child(name).c_str()) == ERROR_SUCCESS;
}

// The watch thread registers asynchronously; create marker subkeys until one is reported, so the
// baseline is known to be in place before the test's own change.
bool wait_until_watching(const test::TestRegistryKey& key, RecordingObserver& observer)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::wstring marker = L"marker" + std::to_wstring(attempt);
        if (!key.create(marker)) {
            return false;
        }
        std::this_thread::sleep_for(200ms);
        if (observer.calls() > 0) {
            observer.clear();
            return true;
        }
    }
    return false;
}

TEST(RegKeyWatcher, WithoutChangeClassStartsNoThreadAndNeverCalls)
{
    test::TestRegistryKey key(L"watchnone");
    ASSERT_TRUE(key.create());
    RecordingObserver observer;
    const int threads_before = thread_count();
    ASSERT_GT(threads_before, 0);
    {
        RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), false, false);
        watcher.add_observer(&observer);
        EXPECT_FALSE(watcher.has_thread());
        EXPECT_EQ(thread_count(), threads_before);
        ASSERT_TRUE(key.create(L"child"));
        ASSERT_TRUE(key.set_dword(L"value", 1));
        std::this_thread::sleep_for(300ms);
    }
    EXPECT_EQ(observer.calls(), 0);
}

TEST(RegKeyWatcher, ReportsAddedAndRemovedSubkeys)
{
    test::TestRegistryKey key(L"watchsubkeys");
    ASSERT_TRUE(key.create());
    ASSERT_TRUE(key.create(L"existing"));
    RecordingObserver observer;
    RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), true, false);
    watcher.add_observer(&observer);
    EXPECT_TRUE(watcher.has_thread());
    ASSERT_TRUE(wait_until_watching(key, observer));

    ASSERT_TRUE(key.create(L"added"));
    ASSERT_TRUE(observer.wait_for_subkey(L"added", true));
    ASSERT_TRUE(delete_subkey(key, L"existing"));
    ASSERT_TRUE(observer.wait_for_subkey(L"existing", false));

    for (const auto& change : observer.subkey_changes()) {
        for (const std::wstring& name : change.added) {
            EXPECT_EQ(name, L"added");
        }
        for (const std::wstring& name : change.removed) {
            EXPECT_EQ(name, L"existing");
        }
    }
    EXPECT_EQ(observer.watcher_seen(), &watcher);
    EXPECT_EQ(observer.value_changes(), 0);
}

TEST(RegKeyWatcher, ReportsValueWritesOnlyWhenWatchingValues)
{
    test::TestRegistryKey key(L"watchvalues");
    ASSERT_TRUE(key.create());
    RecordingObserver observer;
    RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), false, true);
    watcher.add_observer(&observer);
    // Write until the first report arrives: the registration is then in place.
    bool seen = false;
    for (int attempt = 0; attempt < 50 && !seen; ++attempt) {
        ASSERT_TRUE(key.set_dword(L"sync", static_cast<DWORD>(attempt)));
        seen = observer.wait_for_value_changes(1, 200ms);
    }
    ASSERT_TRUE(seen);
    const int before = observer.value_changes();
    ASSERT_TRUE(key.set_string(L"text", L"changed"));
    EXPECT_TRUE(observer.wait_for_value_changes(before + 1));
    EXPECT_TRUE(observer.subkey_changes().empty());
}

TEST(RegKeyWatcher, RemovedObserverIsNotCalled)
{
    test::TestRegistryKey key(L"watchremove");
    ASSERT_TRUE(key.create());
    RecordingObserver kept;
    RecordingObserver removed;
    RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), true, false);
    watcher.add_observer(&kept);
    watcher.add_observer(&removed);
    watcher.add_observer(&removed);  // a second add does not double the calls
    ASSERT_TRUE(wait_until_watching(key, kept));
    std::this_thread::sleep_for(300ms);
    kept.clear();
    removed.clear();
    ASSERT_TRUE(key.create(L"probe"));
    ASSERT_TRUE(kept.wait_for_subkey(L"probe", true));
    ASSERT_TRUE(removed.wait_for_subkey(L"probe", true));
    EXPECT_EQ(removed.subkey_changes().size(), kept.subkey_changes().size());

    watcher.remove_observer(&removed);
    removed.clear();

    ASSERT_TRUE(key.create(L"later"));
    ASSERT_TRUE(kept.wait_for_subkey(L"later", true));
    EXPECT_EQ(removed.calls(), 0);
}

TEST(RegKeyWatcher, MissingKeyLogsAndEndsTheThread)
{
    DebugOutputCapture capture;
    test::TestRegistryKey key(L"watchmissing");
    RecordingObserver observer;
    {
        RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), true, true);
        watcher.add_observer(&observer);
        const std::wstring expected =
            L"[qev] [Reg] Failed to open key, err: 0x00000002, path: " + key.subkey() + L"\n";
        bool logged = false;
        for (int attempt = 0; attempt < 100 && !logged; ++attempt) {
            std::this_thread::sleep_for(50ms);
            logged = capture.contains(expected);
        }
        EXPECT_TRUE(logged);
    }
    EXPECT_EQ(observer.calls(), 0);
}

TEST(RegKeyWatcher, DestructionEndsAWaitingThread)
{
    test::TestRegistryKey key(L"watchstop");
    ASSERT_TRUE(key.create());
    auto watcher = std::make_unique<RegKeyWatcher>(HKEY_LOCAL_MACHINE, key.subkey(), true, true);
    std::this_thread::sleep_for(100ms);
    auto destroyed = std::async(std::launch::async, [&watcher] { watcher.reset(); });
    EXPECT_EQ(destroyed.wait_for(20s), std::future_status::ready);
}

}  // namespace
}  // namespace qev::winsys::reg_utils_wil
