#include "rpc/datapath_event_filter.h"

#include "rpc/reply_sender.h"
#include "rpc/rpc_service.h"

namespace {
constexpr int32_t kHandleEvent = 1;
constexpr int32_t kHandleTextEvent = 5;
} // namespace

bool should_forward(const NotifyEvent& event, const RpcService& service)
{
    if (!service.has_handles()) {
        return false;
    }
    if (event.type == kHandleEvent || event.type == kHandleTextEvent) {
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
