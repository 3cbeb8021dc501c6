#include "vpnr/serialized_param.h"

namespace qev::vpnr {

SerializedParamReply make_reply(std::string_view name, const flatbuffers::FlatBufferBuilder& builder)
{
    const std::uint8_t* bytes = builder.GetBufferPointer();
    return SerializedParamReply{std::string(name), std::vector<std::uint8_t>(bytes, bytes + builder.GetSize())};
}

}  // namespace qev::vpnr
