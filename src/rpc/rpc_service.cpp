#include "rpc/rpc_service.h"

#include "base/logging.h"
#include "rpc/datapath_event_filter.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace qev::rpc {

RpcService::RpcService(datapath::DatapathManagerInterface& manager, std::unique_ptr<PipeConnection> request,
                       std::unique_ptr<PipeConnection> notification)
    : manager_(manager), request_(std::move(request)), notification_(std::move(notification)),
      notifications_(*notification_)
{}

RpcService::~RpcService()
{
    try {
        if (callback_id_) {
            manager_.UnregisterCallback(*callback_id_);
        }
        const std::lock_guard lock(handles_mutex_);
        // A handle destroyed meanwhile through another connection answers 3, which is fine.
        for (const uint32_t handle : handles_) {
            manager_.Destroy(handle, true);
        }
        handles_.clear();
    } catch (const std::exception& failure) {
        base::log_printf("Client clean-up failed: %s\n", failure.what());
    }
    close_connections();
}

bool RpcService::register_callback()
{
    uint32_t id = 0;
    if (manager_.RegisterCallback(&on_datapath_event, this, &id) != datapath::kQevOk) {
        base::log_printf("Cannot subscribe the client to datapath events\n");
        return false;
    }
    callback_id_ = id;
    return true;
}

void RpcService::add_handle(uint32_t handle)
{
    const std::lock_guard lock(handles_mutex_);
    handles_.push_back(handle);
}

void RpcService::remove_handle(uint32_t handle)
{
    const std::lock_guard lock(handles_mutex_);
    const auto it = std::find(handles_.begin(), handles_.end(), handle);
    if (it != handles_.end()) {
        handles_.erase(it);
    }
}

bool RpcService::holds_handle(uint32_t handle) const
{
    const std::lock_guard lock(handles_mutex_);
    return std::find(handles_.begin(), handles_.end(), handle) != handles_.end();
}

bool RpcService::has_handles() const
{
    const std::lock_guard lock(handles_mutex_);
    return !handles_.empty();
}

std::vector<uint32_t> RpcService::handles() const
{
    const std::lock_guard lock(handles_mutex_);
    return handles_;
}

void RpcService::cancel()
{
    request_->cancel();
    notification_->cancel();
}

void RpcService::close_connections()
{
    notifications_.close();
    request_->close();
    notification_->close();
}

}  // namespace qev::rpc
