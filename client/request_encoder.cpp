#include "client/request_encoder.h"

#include "ipc_message_generated.h"

namespace qev::client {

namespace {

flatbuffers::Offset<wire::ConfigArgs> add_config(flatbuffers::FlatBufferBuilder& builder,
                                                 const std::optional<DeviceNames>& config)
{
    if (!config) {
        return 0;
    }
    const auto primary = builder.CreateString(config->primary);
    const auto secondary = builder.CreateString(config->secondary);
    return wire::CreateConfigArgs(builder, primary, secondary);
}

flatbuffers::Offset<wire::Param> add_param(flatbuffers::FlatBufferBuilder& builder,
                                           const std::optional<ParamArg>& param)
{
    if (!param) {
        return 0;
    }
    return wire::CreateParam(builder, builder.CreateString(param->name), param->value);
}

flatbuffers::Offset<wire::SerializedParam> add_serialized(flatbuffers::FlatBufferBuilder& builder,
                                                          const std::optional<SerializedArg>& serialized)
{
    if (!serialized) {
        return 0;
    }
    const auto name = builder.CreateString(serialized->name);
    const auto data = builder.CreateVector(serialized->data);
    return wire::CreateSerializedParam(builder, name, static_cast<std::uint32_t>(serialized->data.size()), data);
}

}  // namespace

std::vector<std::uint8_t> encode_request(const Request& request)
{
    flatbuffers::FlatBufferBuilder builder(256);
    const auto name = builder.CreateString(request.name);
    const auto config = add_config(builder, request.config);
    const auto param = add_param(builder, request.param);
    const auto serialized = add_serialized(builder, request.serialized_in);

    wire::IpcMessageBuilder message(builder);
    message.add_name(name);
    message.add_config(config);
    message.add_param(param);
    message.add_type(request.type);
    message.add_handle(request.handle);
    message.add_serialized_in(serialized);
    builder.Finish(message.Finish());
    return {builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()};
}

}  // namespace qev::client
