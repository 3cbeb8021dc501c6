#include "rpc/reply_sender.h"

#include "rpc/wire_constants.h"
#include "rpc/pipe_connection.h"
#include "rpc/rpc_service.h"
#include "rpc/write_message.h"

namespace qev::rpc {

namespace function_name = wire::function_name;

bool send_reply(PipeConnection& connection, std::string_view name, uint32_t result, const ReplyPayload& payload,
                DWORD timeout_ms)
{
    const flatbuffers::DetachedBuffer buffer = build_reply(name, result, payload);
    return write_message(connection, buffer.data(), static_cast<uint32_t>(buffer.size()), timeout_ms);
}

bool notify(RpcService& service, const datapath::NotifyEvent& event)
{
    PipeConnection& connection = service.notification_connection();
    if (!connection.probe()) {
        return false;
    }
    return send_reply(connection, function_name::kNotify, datapath::kQevOk, event, kNotifyWriteTimeoutMs);
}

}  // namespace qev::rpc
