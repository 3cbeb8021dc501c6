#include "winsys/service_status_watcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

#include "sim_machine.h"

namespace qev::winsys::service_utils {
namespace {

using Event = ServiceStatusWatcher::Event;
using namespace std::chrono_literals;

// Collects the events a handler receives and lets a test wait for one.
class EventLog {
public:
    ServiceStatusWatcher::Handler handler()
    {
        return [this](const Event& event) {
            const std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(event);
            changed_.notify_all();
        };
    }

    // Position of the first successful event of `name` in `state` at or after `from`, waiting up
    // to ten seconds; -1 when none came.
    int wait_for(const std::wstring& name, DWORD state, size_t from = 0)
    {
        return wait_until(from, [&](const Event& e) {
            return e.service_name == name && e.current_state == state && e.notification_status == 0;
        });
    }

    int wait_until(size_t from, const std::function<bool(const Event&)>& wanted)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        int found = -1;
        changed_.wait_for(lock, 10s, [&] {
            for (size_t i = from; i < events_.size() && found < 0; ++i) {
                found = wanted(events_[i]) ? int(i) : -1;
            }
            return found >= 0;
        });
        return found;
    }

    std::vector<Event> events() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
};

// stop() must come back; a hang fails the test instead of blocking the run.
bool stops_without_hanging(ServiceStatusWatcher& watcher)
{
    auto stopped = std::async(std::launch::async, [&watcher] { watcher.stop(); });
    return stopped.wait_for(20s) == std::future_status::ready;
}

TEST(ServiceStatusWatcher, UnknownServicesGiveOneErrorEventToEveryHandler)
{
    EventLog first;
    EventLog second;
    ServiceStatusWatcher watcher;
    watcher.add_service(L"QevNoSuchServiceA");
    watcher.add_service(L"QevNoSuchServiceB");
    watcher.add_handler(first.handler());
    watcher.add_handler(second.handler());
    // Stopping before the start, starting twice and stopping twice are harmless.
    ASSERT_TRUE(stops_without_hanging(watcher));
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(watcher.start());
    Sleep(600);
    ASSERT_TRUE(stops_without_hanging(watcher));
    ASSERT_TRUE(stops_without_hanging(watcher));
    // Tried again only when marked for re-arming: one event each however long the watcher runs.
    const auto a = first.events();
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(second.events().size(), 2u);
    EXPECT_NE(a[0].service_name, a[1].service_name);
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].service_name, second.events()[i].service_name);
        EXPECT_TRUE(a[i].service_name == L"QevNoSuchServiceA" || a[i].service_name == L"QevNoSuchServiceB");
        EXPECT_EQ(a[i].notification_status, static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
        EXPECT_EQ(a[i].current_state, static_cast<DWORD>(SERVICE_STOPPED));
    }
}

TEST(ServiceStatusWatcher, NoHandlerRunsAfterStopReturned)
{
    std::atomic<int> calls{0};
    std::atomic<bool> stopped{false};
    std::atomic<bool> late_call{false};
    ServiceStatusWatcher watcher;
    for (int i = 0; i < 5; ++i) {
        watcher.add_service(L"QevNoSuchService" + std::to_wstring(i));
    }
    watcher.add_handler([&](const Event&) {
        if (stopped) {
            late_call = true;
        }
        ++calls;
        Sleep(100);  // slow handler: stop() arrives while it runs
    });
    ASSERT_TRUE(watcher.start());
    while (calls == 0) {
        Sleep(10);
    }
    ASSERT_TRUE(stops_without_hanging(watcher));
    stopped = true;
    const int at_stop = calls;
    Sleep(400);
    EXPECT_EQ(calls, at_stop);
    EXPECT_FALSE(late_call);
    EXPECT_LT(at_stop, 5);
}

// Handlers may end their own watcher: the dispatch thread cannot join itself, and the watcher is
// gone before the handler returns.
TEST(ServiceStatusWatcher, HandlerMayDestroyItsOwnWatcher)
{
    for (int round = 0; round < 10; ++round) {
        auto watcher = std::make_unique<ServiceStatusWatcher>();
        std::promise<void> handled;
        watcher->add_service(L"QevNoSuchService");
        watcher->add_handler([&](const Event&) {
            watcher.reset();
            handled.set_value();
        });
        ASSERT_TRUE(watcher->start());
        ASSERT_EQ(handled.get_future().wait_for(10s), std::future_status::ready) << "round " << round;
        EXPECT_EQ(watcher, nullptr);
    }
}

// Stands in for the system: the first arming of a run lags behind, either as its result or as the
// status of the notification it delivers; later armings go to the system.
std::atomic<int> armings{0};
std::atomic<bool> lag_in_callback{false};

void CALLBACK deliver(ULONG_PTR notify)
{
    const auto* block = reinterpret_cast<PSERVICE_NOTIFYW>(notify);
    block->pfnNotifyCallback(reinterpret_cast<void*>(notify));
}

DWORD WINAPI lagging_once(SC_HANDLE service, DWORD mask, PSERVICE_NOTIFYW notify)
{
    if (armings++ > 0) {
        return NotifyServiceStatusChangeW(service, mask, notify);
    }
    if (!lag_in_callback) {
        return ServiceStatusWatcher::kNotifyClientLagging;
    }
    notify->dwNotificationStatus = ServiceStatusWatcher::kNotifyClientLagging;
    QueueUserAPC(&deliver, GetCurrentThread(), reinterpret_cast<ULONG_PTR>(notify));
    return ERROR_SUCCESS;
}

// The simulator's stand-in "Audiosrv", running at the start of each test and again at its end.
constexpr wchar_t kService[] = L"Audiosrv";
using winaudio::test::SimMachine;

// After the system reports that the watcher lags behind, it starts over and reports changes again.
TEST(ServiceStatusWatcherOnAudiosrv, LaggingNotificationsAreArmedAgainFromAFreshStart)
{
    for (const bool in_callback : {false, true}) {
        SCOPED_TRACE(in_callback ? "lagging reported by the callback" : "lagging reported by the arming");
        armings = 0;
        lag_in_callback = in_callback;
        EventLog log;
        ServiceStatusWatcher watcher(&lagging_once);
        watcher.add_service(kService);
        watcher.add_handler(log.handler());
        ASSERT_TRUE(watcher.start());
        const int lagged = log.wait_until(
            0, [](const Event& e) { return e.notification_status == ServiceStatusWatcher::kNotifyClientLagging; });
        ASSERT_GE(lagged, 0);
        ASSERT_GE(log.wait_for(kService, SERVICE_RUNNING, lagged), 0) << "no fresh status after lagging";
        SimMachine::Must({L"service-stop"});
        EXPECT_GE(log.wait_for(kService, SERVICE_STOPPED, lagged), 0) << "not armed again";
        ASSERT_TRUE(stops_without_hanging(watcher));
        SimMachine::Must({L"service-start"});
    }
}

// Stopping with a notification armed must cancel it cleanly, however soon after the start.
TEST(ServiceStatusWatcherOnAudiosrv, RepeatedStartAndStopWhileArmed)
{
    for (int round = 0; round < 20; ++round) {
        EventLog log;
        auto watcher = std::make_unique<ServiceStatusWatcher>();
        watcher->add_service(kService);
        watcher->add_handler(log.handler());
        ASSERT_TRUE(watcher->start());
        ASSERT_GE(log.wait_for(kService, SERVICE_RUNNING), 0) << "round " << round;
        Sleep(round % 3 * 60);
        ASSERT_TRUE(stops_without_hanging(*watcher));
        watcher.reset();
    }
}

}  // namespace
}  // namespace qev::winsys::service_utils
