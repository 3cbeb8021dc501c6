#include "winsys/reg_key_watcher.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
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

// Records every report under one lock; waits give up after ten seconds by default.
class RecordingObserver : public RegWatcherObserver {
public:
    struct Record {
        std::vector<std::pair<Names, Names>> subkey_changes;  // added, removed
        int value_changes = 0;
        RegKeyWatcher* watcher = nullptr;
        int calls() const { return static_cast<int>(subkey_changes.size()) + value_changes; }
    };

    void subkeys_changed(RegKeyWatcher& watcher, const Names& added, const Names& removed) override
    {
        update(watcher, [&](Record& record) { record.subkey_changes.emplace_back(added, removed); });
    }
    void values_changed(RegKeyWatcher& watcher) override
    {
        update(watcher, [](Record& record) { ++record.value_changes; });
    }

    template <typename Predicate>
    bool wait(Predicate predicate, std::chrono::milliseconds timeout = 10s)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return predicate(record_); });
    }
    // A subkey report that added (or removed) `name`.
    bool wait_for_subkey(const std::wstring& name, bool added)
    {
        return wait([&](const Record& record) {
            return std::any_of(record.subkey_changes.begin(), record.subkey_changes.end(), [&](const auto& change) {
                const Names& names = added ? change.first : change.second;
                return std::find(names.begin(), names.end(), name) != names.end();
            });
        });
    }
    Record snapshot() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return record_;
    }
    void clear()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        record_ = Record{};
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

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Record record_;
};

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
        if (observer.snapshot().calls() > 0) {
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
    {
        RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), false, false);
        watcher.add_observer(&observer);
        EXPECT_FALSE(watcher.has_thread());
        ASSERT_TRUE(key.create(L"child"));
        ASSERT_TRUE(key.set_dword(L"value", 1));
        std::this_thread::sleep_for(300ms);
    }
    EXPECT_EQ(observer.snapshot().calls(), 0);
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
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.child(L"existing").c_str()), ERROR_SUCCESS);
    ASSERT_TRUE(observer.wait_for_subkey(L"existing", false));

    const auto record = observer.snapshot();
    for (const auto& [added, removed] : record.subkey_changes) {
        EXPECT_TRUE(std::all_of(added.begin(), added.end(), [](const auto& name) { return name == L"added"; }));
        EXPECT_TRUE(std::all_of(removed.begin(), removed.end(), [](const auto& name) { return name == L"existing"; }));
    }
    EXPECT_EQ(record.watcher, &watcher);
    EXPECT_EQ(record.value_changes, 0);
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
    for (DWORD attempt = 0; attempt < 50 && !seen; ++attempt) {
        ASSERT_TRUE(key.set_dword(L"sync", attempt));
        seen = observer.wait([](const auto& record) { return record.value_changes > 0; }, 200ms);
    }
    ASSERT_TRUE(seen);
    const int before = observer.snapshot().value_changes;
    ASSERT_TRUE(key.set_string(L"text", L"changed"));
    EXPECT_TRUE(observer.wait([&](const auto& record) { return record.value_changes > before; }));
    EXPECT_TRUE(observer.snapshot().subkey_changes.empty());
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
    EXPECT_EQ(removed.snapshot().subkey_changes.size(), kept.snapshot().subkey_changes.size());

    watcher.remove_observer(&removed);
    removed.clear();

    ASSERT_TRUE(key.create(L"later"));
    ASSERT_TRUE(kept.wait_for_subkey(L"later", true));
    EXPECT_EQ(removed.snapshot().calls(), 0);
}

TEST(RegKeyWatcher, MissingKeyLogsAndEndsTheThread)
{
    DebugOutputCapture capture;
    test::TestRegistryKey key(L"watchmissing");
    RecordingObserver observer;
    {
        RegKeyWatcher watcher(HKEY_LOCAL_MACHINE, key.subkey(), true, true);
        watcher.add_observer(&observer);
        const std::wstring expected = L"[qev] [Reg] Failed to open key, err: 0x00000002, path: " + key.subkey() + L"\n";
        bool logged = false;
        for (int attempt = 0; attempt < 100 && !logged; ++attempt) {
            std::this_thread::sleep_for(50ms);
            logged = capture.contains(expected);
        }
        EXPECT_TRUE(logged);
    }
    EXPECT_EQ(observer.snapshot().calls(), 0);
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
