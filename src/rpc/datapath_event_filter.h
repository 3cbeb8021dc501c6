#pragma once

#include "datapath/manager/datapath_records.h"

namespace qev::rpc {

class RpcService;

// Whether a datapath event concerns this client: nothing while it holds no handle; handle events
// (types 1 and 5) only for its own handles; every other type always.
bool should_forward(const datapath::NotifyEvent& event, const RpcService& service);

// The callback each service registers with the datapath manager; context is the RpcService.
void on_datapath_event(const datapath::NotifyEvent* event, void* context);

}  // namespace qev::rpc
