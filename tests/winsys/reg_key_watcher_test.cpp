#include "winsys/reg_key_watcher.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "debug_output_capture.h"
#include "test_registry_key.h"

namespace qev::winsys::reg_utils_wil {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::wstring>;

// Records every report under one lock; waits give up after ten seconds by default.
class RecordingObserver : public RegWatcherObserver {
public:
    struct Record {
        Names added, removed;
        int subkey_calls = 0;
        int value_calls = 0;
        RegKeyWatcher* watcher = nullptr;
    };

    void subkeys_changed(RegKeyWatcher& watcher, const Names& added, const Names& removed) override
    {
        update(watcher, [&](Record& record) {
            record.added.insert(record.added.end(), added.begin(), added.end());
            record.removed.insert(record.removed.end(), removed.begin(), removed.end());
            ++record.subkey_calls;
        });
    }
    void values_changed(RegKeyWatcher& watcher) override
    {
        update(watcher, [](Record& record) { ++record.value_calls; });
    }

    template <typename Predicate>
    bool wait(Predicate predicate, std::chrono::milliseconds timeout = 10s)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return predicate(record_); });
    }
    bool wait_added(const std::wstring& name)
    {
        return wait([&](const Record& r) { return std::count(r.added.begin(), r.added.end(), name) > 0; });
    }
    Record take()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(record_, Record{});
    }

private:
    template <typename Update>
    void update(RegKeyWatcher& watcher, Update change)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        record_.watcher = &watcher;
        change(record_);
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    Record record_;
};

// The watch thread registers asynchronously: change the key until a report comes, so that the
// baseline is in place before the test's own change.
bool wait_until_watching(const test::TestRegistryKey& key, RecordingObserver& observer)
{
    for (DWORD attempt = 0; attempt < 50; ++attempt) {
        if (!key.create(L"marker" + std::to_wstring(attempt)) || !key.set_dword(L"sync", attempt)) {
            return false;
        }
        if (observer.wait([](const auto& r) { return r.subkey_calls + r.value_calls > 0; }, 200ms)) {
            std::this_thread::sleep_for(300ms);
            observer.take();
            return true;
        }
    }
    return false;
}

// Added and removed subkeys reach every observer once, however often it was added, and no observer
// after its removal; values and subkeys are reported only when watched.
TEST(RegKeyWatcher, ReportsSubkeyChangesToItsObserversUntilRemoved)
{
    test::TestRegistryKey key(L"watchsubkeys");
    ASSERT_TRUE(key.create(L"existing"));
    RecordingObserver kept;
    RecordingObserver removed;
    RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), true, false);
    watcher.add_observer(&kept);
    watcher.add_observer(&removed);
    watcher.add_observer(&removed);
    RecordingObserver values;
    RegKeyWatcher value_watcher(HKEY_LOCAL_MACHINE, key.subkey(), false, true);
    value_watcher.add_observer(&values);
    ASSERT_TRUE(wait_until_watching(key, values));
    ASSERT_TRUE(wait_until_watching(key, kept));
    removed.take();

    ASSERT_TRUE(key.create(L"added"));
    ASSERT_TRUE(kept.wait_added(L"added"));
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.child(L"existing").c_str()), ERROR_SUCCESS);
    ASSERT_TRUE(kept.wait([](const auto& r) { return !r.removed.empty(); }));
    ASSERT_TRUE(removed.wait([](const auto& r) { return !r.removed.empty(); }));
    ASSERT_TRUE(key.set_dword(L"value", 1));
    const auto seen = kept.take();
    EXPECT_EQ(seen.added, Names{L"added"});
    EXPECT_EQ(seen.removed, Names{L"existing"});
    EXPECT_EQ(seen.watcher, &watcher);
    EXPECT_EQ(seen.value_calls, 0);
    EXPECT_EQ(removed.take().subkey_calls, seen.subkey_calls);

    watcher.remove_observer(&removed);
    ASSERT_TRUE(key.create(L"later"));
    ASSERT_TRUE(kept.wait_added(L"later"));
    EXPECT_EQ(removed.take().subkey_calls, 0);
    EXPECT_TRUE(values.wait([](const auto& r) { return r.value_calls > 0; }));
    EXPECT_EQ(values.take().subkey_calls, 0);
}

// A missing key is logged and ends the thread; a waiting thread ends with the watcher.
TEST(RegKeyWatcher, MissingKeyIsLoggedAndDestructionNeverHangs)
{
    DebugOutputCapture capture;
    test::TestRegistryKey key(L"watchmissing");
    RecordingObserver observer;
    for (const bool exists : {false, true}) {
        if (exists) {
            ASSERT_TRUE(key.create());
        }
        auto watcher = std::make_unique<RegKeyWatcher>(HKEY_LOCAL_MACHINE, key.subkey(), true, true);
        watcher->add_observer(&observer);
        const std::wstring expected = L"[qev] [Reg] Failed to open key, err: 0x00000002, path: " + key.subkey() + L"\n";
        for (int attempt = 0; attempt < 100 && !exists && !capture.contains(expected); ++attempt) {
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_TRUE(exists || capture.contains(expected));
        auto destroyed = std::async(std::launch::async, [&watcher] { watcher.reset(); });
        EXPECT_EQ(destroyed.wait_for(20s), std::future_status::ready);
    }
    EXPECT_EQ(observer.take().subkey_calls, 0);
}

}  // namespace
}  // namespace qev::winsys::reg_utils_wil
