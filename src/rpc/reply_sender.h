#pragma once

#include "datapath/datapath_records.h"
#include "rpc/reply_builder.h"

#include <cstdint>
#include <string_view>

class PipeConnection;
class RpcService;

// Builds the reply of function `name` and writes it as one message; true only when all of it was written.
bool send_reply(PipeConnection& connection, std::string_view name, uint32_t result, const ReplyPayload& payload);

// Sends one "QevIntfNotify" message on the service's notification pipe; false when the pipe is
// closed or gone, or the write failed.
bool notify(RpcService& service, const NotifyEvent& event);
