#pragma once

#include "ipc_message_generated.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qev::rpc {

// What a test puts into a request; absent members are not written (the serialized table with its name).
struct RequestFields {
    std::optional<std::string> name{};
    std::optional<uint32_t> handle{};
    std::optional<uint8_t> type{};
    std::optional<std::string> primary_device{};
    std::optional<std::string> secondary_device{};
    std::optional<std::string> param_name{};
    std::optional<float> param_value{};
    std::optional<std::string> serialized_name{};
    uint32_t serialized_size = 0;
    std::optional<std::vector<uint8_t>> serialized_data{};
};

inline std::vector<uint8_t> build_request(const RequestFields& fields)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto string_or_null = [&builder](const std::optional<std::string>& text) {
        return text ? builder.CreateString(*text) : flatbuffers::Offset<flatbuffers::String>();
    };
    const auto name = string_or_null(fields.name);
    flatbuffers::Offset<wire::ConfigArgs> config;
    if (fields.primary_device || fields.secondary_device) {
        const auto primary = string_or_null(fields.primary_device);
        const auto secondary = string_or_null(fields.secondary_device);
        config = wire::CreateConfigArgs(builder, primary, secondary);
    }
    flatbuffers::Offset<wire::Param> param;
    if (fields.param_name || fields.param_value) {
        const auto param_name = string_or_null(fields.param_name);
        param = wire::CreateParam(builder, param_name, fields.param_value.value_or(0.0f));
    }
    flatbuffers::Offset<wire::SerializedParam> serialized;
    if (fields.serialized_name) {
        const auto serialized_name = string_or_null(fields.serialized_name);
        flatbuffers::Offset<flatbuffers::Vector<uint8_t>> data;
        if (fields.serialized_data) {
            data = builder.CreateVector(*fields.serialized_data);
        }
        serialized = wire::CreateSerializedParam(builder, serialized_name, fields.serialized_size, data);
    }
    wire::IpcMessageBuilder message(builder);
    message.add_name(name);
    message.add_config(config);
    message.add_param(param);
    message.add_serialized_in(serialized);
    if (fields.handle) {
        message.add_handle(*fields.handle);
    }
    if (fields.type) {
        message.add_type(*fields.type);
    }
    builder.Finish(message.Finish());
    return std::vector<uint8_t>(builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize());
}

// The decoded reply, or null when the bytes are not a valid IpcMessage.
inline const wire::IpcMessage* decode_message(const std::vector<uint8_t>& bytes)
{
    flatbuffers::Verifier verifier(bytes.data(), bytes.size());
    return wire::VerifyIpcMessageBuffer(verifier) ? wire::GetIpcMessage(bytes.data()) : nullptr;
}

}  // namespace qev::rpc
