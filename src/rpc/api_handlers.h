#pragma once

namespace qev::wire {
struct IpcMessage;
}

namespace qev::rpc {

class RpcService;

// One handler per client function: reads its request fields, calls one datapath manager operation,
// answers with exactly one reply. Returns false when the reply could not be written.
using ApiHandler = bool (*)(RpcService& service, const wire::IpcMessage& request);

namespace api_handlers {
bool get_info(RpcService& service, const wire::IpcMessage& request);
bool enumerate(RpcService& service, const wire::IpcMessage& request);
bool create(RpcService& service, const wire::IpcMessage& request);
bool destroy(RpcService& service, const wire::IpcMessage& request);
bool config(RpcService& service, const wire::IpcMessage& request);
bool start(RpcService& service, const wire::IpcMessage& request);
bool stop(RpcService& service, const wire::IpcMessage& request);
bool set(RpcService& service, const wire::IpcMessage& request);
bool get(RpcService& service, const wire::IpcMessage& request);
bool get_status(RpcService& service, const wire::IpcMessage& request);
bool set_serialized(RpcService& service, const wire::IpcMessage& request);
bool get_serialized(RpcService& service, const wire::IpcMessage& request);
}  // namespace api_handlers

}  // namespace qev::rpc
