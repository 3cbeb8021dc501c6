#include "rpc/datapath_event_filter.h"

#include "rpc/reply_sender.h"
#include "rpc/wire_constants.h"
#include "rpc/rpc_service.h"

namespace qev::rpc {

namespace {}  // namespace

bool should_forward(const datapath::NotifyEvent& event, const RpcService& service)
{
    if (!service.has_handles()) {
        return false;
    }
    if (event.type == wire::kEventHandle || event.type == wire::kEventParameterChanged) {
        return service.holds_handle(event.value);
    }
    return true;
}

void on_datapath_event(const datapath::NotifyEvent* event, void* context)
{
    if (event == nullptr || context == nullptr) {
        return;
    }
    RpcService& service = *static_cast<RpcService*>(context);
    if (should_forward(*event, service)) {
        notify(service, *event);
    }
}

}  // namespace qev::rpc
