#include "rpc/reply_sender.h"

#include "rpc/wire_constants.h"
#include "rpc/notification_queue.h"
#include "rpc/pipe_connection.h"
#include "rpc/rpc_service.h"
#include "rpc/write_message.h"

namespace qev::rpc {

namespace function_name = wire::function_name;

bool send_reply(PipeConnection& connection, std::string_view name, uint32_t result, const ReplyPayload& payload)
{
    const flatbuffers::DetachedBuffer buffer = build_reply(name, result, payload);
    return write_message(connection, buffer.data(), static_cast<uint32_t>(buffer.size()));
}

bool notify(RpcService& service, const datapath::NotifyEvent& event)
{
    return service.notifications().push(build_reply(function_name::kNotify, datapath::kQevOk, event));
}

}  // namespace qev::rpc
