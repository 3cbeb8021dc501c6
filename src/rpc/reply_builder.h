#pragma once

#include "datapath/manager/datapath_records.h"

#include <flatbuffers/flatbuffers.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qev::rpc {

// What a handler hands to the reply writer; which alternative is read depends on the function.
struct HandleReply {
    uint32_t handle = 0;
};
struct StatusReply {
    uint32_t status = 0;
};
struct ParamReply {
    std::string_view name;
    float value = 0.0f;
};
struct SerializedReply {
    const char* name = nullptr;
    uint32_t size = 0;
    const uint8_t* data = nullptr;
};
using ReplyPayload = std::variant<std::monostate, datapath::ServerInfo, const std::vector<std::string>*, HandleReply,
                                  ParamReply, StatusReply, SerializedReply, datapath::NotifyEvent>;

// Builds the finished IpcMessage for the function called `name` (selected by its hash): the name as
// given, the result (omitted when 0) and the function's reply fields taken from payload. A payload
// of another kind than the function expects leaves those fields absent.
flatbuffers::DetachedBuffer build_reply(std::string_view name, uint32_t result, const ReplyPayload& payload);

}  // namespace qev::rpc
