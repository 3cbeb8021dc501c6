#pragma once

#include "datapath/manager/datapath_manager_interface.h"
#include "rpc/notification_queue.h"
#include "rpc/pipe_connection.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace qev::rpc {

// One paired client: its two pipe connections, its notification subscription and the handles it
// created. Destroying it destroys those handles and unsubscribes.
class RpcService {
public:
    RpcService(datapath::DatapathManagerInterface& manager, std::unique_ptr<PipeConnection> request,
               std::unique_ptr<PipeConnection> notification);
    ~RpcService();

    RpcService(const RpcService&) = delete;
    RpcService& operator=(const RpcService&) = delete;

    datapath::DatapathManagerInterface& manager() const { return manager_; }
    PipeConnection& request_connection() { return *request_; }
    PipeConnection& notification_connection() { return *notification_; }
    NotificationQueue& notifications() { return notifications_; }

    // Subscribes this service to datapath events; false when the manager refused.
    bool register_callback();
    bool callback_registered() const { return callback_id_.has_value(); }

    void add_handle(uint32_t handle);
    // Removes the first occurrence, if any.
    void remove_handle(uint32_t handle);
    bool holds_handle(uint32_t handle) const;
    bool has_handles() const;
    std::vector<uint32_t> handles() const;

    // Wakes every wait on both connections for good (server stop).
    void cancel();
    // Drops the notifications not yet written and closes both connections, never waiting for the client.
    void close_connections();

private:
    datapath::DatapathManagerInterface& manager_;
    std::unique_ptr<PipeConnection> request_;
    std::unique_ptr<PipeConnection> notification_;
    NotificationQueue notifications_;
    std::optional<uint32_t> callback_id_;

    mutable std::mutex handles_mutex_;
    std::vector<uint32_t> handles_;
};

}  // namespace qev::rpc
