#pragma once

#include "ipc_message_generated.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qev::client::testing {

// Server-side messages built directly with the generated code, independent of the client's decoder.
inline std::vector<std::uint8_t> finish(flatbuffers::FlatBufferBuilder& builder,
                                        flatbuffers::Offset<wire::IpcMessage> root)
{
    builder.Finish(root);
    return {builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()};
}

inline std::vector<std::uint8_t> simple_reply(const std::string& name, std::uint32_t result, std::uint32_t handle = 0)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto text = builder.CreateString(name);
    wire::IpcMessageBuilder message(builder);
    message.add_name(text);
    message.add_result(result);
    message.add_handle(handle);
    return finish(builder, message.Finish());
}

inline std::vector<std::uint8_t> info_reply(const std::string& name, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                            std::uint32_t d)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto text = builder.CreateString(name);
    const wire::ServerInfo info(a, b, c, d);
    wire::IpcMessageBuilder message(builder);
    message.add_name(text);
    message.add_info(&info);
    return finish(builder, message.Finish());
}

inline std::vector<std::uint8_t> notification(std::uint8_t type, wire::NotificationPayload tag,
                                              flatbuffers::FlatBufferBuilder& builder,
                                              flatbuffers::Offset<void> payload)
{
    const auto name = builder.CreateString("QevIntfNotify");
    const auto body = wire::CreateNotification(builder, type, tag, payload);
    return finish(builder, wire::CreateIpcMessage(builder, name, nullptr, 0, 0, 0, 0, 0, body));
}

inline std::vector<std::uint8_t> handle_text_notification(std::uint32_t handle, const std::string& text)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto payload = wire::CreateHandleTextEventDirect(builder, handle, text.c_str());
    return notification(5, wire::NotificationPayload::HandleTextEvent, builder, payload.Union());
}

}  // namespace qev::client::testing
