#pragma once

#include <flatbuffers/flatbuffers.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qev::vpnr {

// A serialized parameter as a client sent it: its name and its FlatBuffers payload.
struct SerializedParamView {
    std::string_view name;
    std::span<const std::uint8_t> bytes;
};

// A serialized parameter built for a reply.
struct SerializedParamReply {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Replies start from a builder of this size.
inline constexpr size_t kReplyBuilderSize = 1024;

// The reply record: a copy of the name and the bytes of the finished buffer.
SerializedParamReply make_reply(std::string_view name, const flatbuffers::FlatBufferBuilder& builder);

}  // namespace qev::vpnr
