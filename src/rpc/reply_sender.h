#pragma once

#include "datapath/manager/datapath_records.h"
#include "rpc/reply_builder.h"

#include <cstdint>
#include <string_view>

namespace qev::rpc {

class PipeConnection;
class RpcService;

// Builds the reply of function `name` and writes it as one message; true only when all of it was written.
bool send_reply(PipeConnection& connection, std::string_view name, uint32_t result, const ReplyPayload& payload);

// Queues one "QevIntfNotify" message for the service's notification pipe without waiting for the
// client (events are raised on the datapath manager's threads, which no client may hold up); false
// when it was dropped: the pipe is closed or gone, or the client has not read what came before.
bool notify(RpcService& service, const datapath::NotifyEvent& event);

}  // namespace qev::rpc
