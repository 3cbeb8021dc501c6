#pragma once

#include "datapath/manager/datapath_records.h"
#include "rpc/reply_builder.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace qev::rpc {

class PipeConnection;
class RpcService;

// Builds the reply of function `name` and writes it as one message; true only when all of it was written.
bool send_reply(PipeConnection& connection, std::string_view name, uint32_t result, const ReplyPayload& payload,
                DWORD timeout_ms = INFINITE);

// How long a notification waits for a client that does not read its notification pipe. Events are
// raised on the datapath manager's threads, which one stuck client must not hold up for long.
inline constexpr DWORD kNotifyWriteTimeoutMs = 1000;

// Sends one "QevIntfNotify" message on the service's notification pipe; false when the pipe is
// closed or gone, or the write failed or timed out (the notification is then dropped).
bool notify(RpcService& service, const datapath::NotifyEvent& event);

}  // namespace qev::rpc
