#pragma once

#include "rpc/pipe_connection.h"
#include "rpc/pipe_names.h"
#include "base/unique_handle.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace qev::rpc {

// Accepts connections on the request and notification pipes and pairs them by client process id.
// One per process; its listener and sweep threads run until stop().
class PipeBroker {
public:
    static constexpr int64_t kMaxUnpairedAgeSeconds = 300;
    static constexpr long kSweepPeriodMs = 600000;

    // The process's broker, created (with its threads) on the first call; names count only then.
    static std::shared_ptr<PipeBroker> instance(const PipeNames& names = PipeNames{});
    // Stops the given broker and, if it is the process's broker, forgets it so that the next
    // instance() call creates a fresh one.
    static void shutdown(const std::shared_ptr<PipeBroker>& broker);

    explicit PipeBroker(const PipeNames& names);
    ~PipeBroker();

    PipeBroker(const PipeBroker&) = delete;
    PipeBroker& operator=(const PipeBroker&) = delete;

    // Blocks until a client has both pipes connected and hands them out; false once stopped.
    bool take_pair(std::unique_ptr<PipeConnection>& request_out, std::unique_ptr<PipeConnection>& notify_out);
    // Ends the listeners, the sweep thread and any take_pair wait. The threads are joined by the destructor.
    void stop();

    // Closes every unpaired connection that arrived at least kMaxUnpairedAgeSeconds before now_ticks
    // (100-ns ticks since 1601, as GetSystemTimeAsFileTime gives).
    void sweep(int64_t now_ticks);
    size_t pending_count() const;
    size_t complete_pair_count() const;
    static int64_t now_ticks();

private:
    enum class Slot { request, notify };

    struct PendingPair {
        int64_t arrival_ticks = 0;
        std::unique_ptr<PipeConnection> notify;
        std::unique_ptr<PipeConnection> request;
        bool complete() const { return notify && request; }
    };

    void listen(const std::wstring& name, Slot slot);
    // One pipe instance through to its client's arrival; false when no instance could be made.
    bool accept_one(const std::wstring& name, Slot slot);
    // A pipe instance ready to accept a client, or null (logged) when Windows cannot make one.
    static std::unique_ptr<PipeConnection> new_instance(const std::wstring& name);
    void add_pending(std::unique_ptr<PipeConnection> connection, Slot slot);
    void run_sweep_timer();
    static void CALLBACK on_sweep_timer(void* context, DWORD low, DWORD high);

    const PipeNames names_;
    base::UniqueKernelHandle stop_event_;

    mutable std::mutex mutex_;
    std::condition_variable pair_ready_;
    std::map<uint64_t, PendingPair> pending_;
    size_t complete_pairs_ = 0;
    bool stopped_ = false;

    std::thread request_listener_;
    std::thread notify_listener_;
    std::thread timer_thread_;
};

}  // namespace qev::rpc
