#include "rpc/datapath_event_filter.h"

#include "rpc/reply_sender.h"
#include "rpc/wire_constants.h"
#include "rpc/rpc_service.h"

namespace {
} // namespace

bool should_forward(const NotifyEvent& event, const RpcService& service)
{
    if (!service.has_handles()) {
        return false;
    }
    if (event.type == qev::wire::kEventHandle || event.type == qev::wire::kEventParameterChanged) {
        return service.holds_handle(event.value);
    }
    return true;
}

void on_datapath_event(const NotifyEvent* event, void* context)
{
    if (event == nullptr || context == nullptr) {
        return;
    }
    RpcService& service = *static_cast<RpcService*>(context);
    if (should_forward(*event, service)) {
        notify(service, *event);
    }
}
