#pragma once

#include "winsys/service_status_event.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qev::winsys::service_utils {

// Calls the handlers with each posted event, one event at a time and in order, on a thread of its
// own and without any lock held. A handler may stop, or destroy, whatever owns the dispatcher.
class ServiceEventDispatcher {
public:
    using Handler = std::function<void(const ServiceStatusEvent&)>;

    ServiceEventDispatcher() = default;
    ~ServiceEventDispatcher();

    ServiceEventDispatcher(const ServiceEventDispatcher&) = delete;
    ServiceEventDispatcher& operator=(const ServiceEventDispatcher&) = delete;

    void add_handler(Handler handler);
    // Starts the thread with the handlers added so far (and any added later). Does nothing while running.
    void start();
    void post(ServiceStatusEvent event);
    // No handler starts after this returns and events not yet dispatched are dropped. From another
    // thread it joins the dispatch thread; from a handler it lets that thread end by itself once the
    // handler returns (the thread keeps what it still needs).
    void stop();

private:
    // What the dispatch thread uses; it holds its own reference, so a handler can destroy the dispatcher.
    struct Run {
        std::mutex mutex;  // guards everything below
        std::condition_variable ready;
        std::deque<ServiceStatusEvent> events;
        std::vector<Handler> handlers;
        bool stopping = false;
    };

    static void dispatch(const std::shared_ptr<Run>& run);

    std::mutex mutex_;  // guards handlers_ and run_
    std::vector<Handler> handlers_;
    std::shared_ptr<Run> run_;
    std::thread thread_;  // only start() and stop() touch it, and never at once
};

}  // namespace qev::winsys::service_utils
