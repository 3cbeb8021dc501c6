#pragma once

#include "rpc/qev_sw_server.h"
#include "datapath/manager/datapath_manager_interface.h"
#include "datapath/manager/datapath_records.h"
#include "rpc/connection_threads.h"
#include "rpc/pipe_names.h"
#include "rpc/single_instance_lock.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qev::rpc {

class CommandChannel;
class PipeBroker;
class PipeConnection;
class RpcService;

// The server of the RPC role: owns the single-instance lock, the accept thread that turns paired
// pipe connections into services, one read-loop thread per connected client, and the command
// channel of the session monitor.
class RpcServer : public QevSwServer {
public:
    // Gives the manager on first use. start() asks for it only once it holds the single-instance
    // lock, so a second instance never builds one (building it scans and rewrites endpoints).
    using ManagerSource = std::function<datapath::DatapathManagerInterface&()>;

    explicit RpcServer(ManagerSource manager);
    // Serves under other pipe and mutex names (tests run several servers side by side).
    RpcServer(ManagerSource manager, PipeNames names);
    RpcServer(datapath::DatapathManagerInterface& manager, PipeNames names);
    ~RpcServer() override;

    RpcServer(const RpcServer&) = delete;
    RpcServer& operator=(const RpcServer&) = delete;

    bool start() override;
    // Ends the accept loop, the broker and every read loop; wait() then returns promptly.
    bool stop() override;
    bool wait() override;

    // Sends the event to every connected client, dropping services that have gone. Never waits for
    // a client.
    void broadcast(const datapath::NotifyEvent& event);

private:
    void accept_loop(std::shared_ptr<PipeBroker> broker);
    // Makes the paired connections a served client; a failure drops that client only.
    void serve(std::unique_ptr<PipeConnection> request, std::unique_ptr<PipeConnection> notification);
    void adopt_service(std::shared_ptr<RpcService> service);
    std::vector<std::shared_ptr<RpcService>> live_services();
    void cancel_all_services();

    const ManagerSource manager_source_;
    datapath::DatapathManagerInterface* manager_ = nullptr;
    const PipeNames names_;
    SingleInstanceLock instance_lock_;
    std::atomic<bool> stop_{false};
    std::shared_ptr<PipeBroker> broker_;
    std::thread accept_thread_;
    std::unique_ptr<CommandChannel> commands_;

    std::mutex services_mutex_;  // guards services_
    std::vector<std::weak_ptr<RpcService>> services_;

    // One read loop per connected client.
    ConnectionThreads read_loops_;
};

}  // namespace qev::rpc
