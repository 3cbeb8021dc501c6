#include "rpc/reply_builder.h"

#include "ipc_message_generated.h"
#include "rpc/fnv_hash.h"
#include "rpc/wire_constants.h"

#include <cstdio>

namespace qev::rpc {

namespace {

namespace function_name = wire::function_name;

namespace wire = qev::wire;
using flatbuffers::FlatBufferBuilder;
using flatbuffers::Offset;

// The parts of one reply, created before the root table is started.
struct ReplyParts {
    const wire::ServerInfo* info = nullptr;
    wire::ServerInfo info_value;
    Offset<wire::EnumResult> enum_result;
    Offset<wire::Param> param;
    Offset<wire::Notification> notification;
    Offset<wire::SerializedParam> serialized_out;
    uint32_t handle = 0;
    uint8_t status = 0;
};

template <typename T>
const T* payload_as(const ReplyPayload& payload)
{
    return std::get_if<T>(&payload);
}

Offset<flatbuffers::String> optional_string(FlatBufferBuilder& builder, const char* text)
{
    return text != nullptr ? builder.CreateString(text) : Offset<flatbuffers::String>();
}

Offset<void> notification_payload(FlatBufferBuilder& builder, const datapath::NotifyEvent& event)
{
    switch (event.type) {
    case wire::kEventDeviceList:
        return wire::CreateDeviceListEvent(builder, static_cast<uint8_t>(event.value)).Union();
    case wire::kEventHandle:
        return wire::CreateHandleEvent(builder, event.value).Union();
    case wire::kEventFlag:
        return wire::CreateFlagEvent(builder, static_cast<uint8_t>(event.value)).Union();
    case wire::kEventValue:
        return wire::CreateValueEvent(builder, event.value).Union();
    case wire::kEventSessionActivation: {
        const auto text = optional_string(builder, event.text);
        return wire::CreateSessionActivationEvent(builder, static_cast<uint8_t>(event.value), text).Union();
    }
    case wire::kEventParameterChanged: {
        const auto text = optional_string(builder, event.text);
        return wire::CreateHandleTextEvent(builder, event.value, text).Union();
    }
    default:
        return Offset<void>();
    }
}

Offset<wire::Notification> build_notification(FlatBufferBuilder& builder, const datapath::NotifyEvent& event)
{
    const auto payload = notification_payload(builder, event);
    // The union tag is the event type plus one; other types travel without a payload.
    const auto tag =
        payload.IsNull() ? wire::NotificationPayload::NONE : static_cast<wire::NotificationPayload>(event.type + 1);
    return wire::CreateNotification(builder, static_cast<uint8_t>(event.type), tag, payload);
}

Offset<wire::SerializedParam> build_serialized(FlatBufferBuilder& builder, const SerializedReply& out)
{
    const auto name = optional_string(builder, out.name);
    // data always holds exactly `size` bytes; a missing buffer counts as none.
    const uint32_t size = out.data != nullptr ? out.size : 0;
    const auto data = builder.CreateVector(out.data, size);
    return wire::CreateSerializedParam(builder, name, size, data);
}

bool fill_parts(FlatBufferBuilder& builder, uint64_t function, const ReplyPayload& payload, ReplyParts& parts)
{
    if (function == fnv1a_hash(function_name::kGetInfo)) {
        if (const auto* info = payload_as<datapath::ServerInfo>(payload)) {
            parts.info_value = wire::ServerInfo(info->info0, info->info1, info->info2, info->info3);
            parts.info = &parts.info_value;
        }
    } else if (function == fnv1a_hash(function_name::kEnum)) {
        const auto* const* names = payload_as<const std::vector<std::string>*>(payload);
        const std::vector<std::string> none;
        const std::vector<std::string>& list = names != nullptr && *names != nullptr ? **names : none;
        const auto vector = builder.CreateVectorOfStrings(list);
        parts.enum_result = wire::CreateEnumResult(builder, static_cast<uint32_t>(list.size()), vector);
    } else if (function == fnv1a_hash(function_name::kCreate)) {
        if (const auto* reply = payload_as<HandleReply>(payload)) {
            parts.handle = reply->handle;
        }
    } else if (function == fnv1a_hash(function_name::kGet)) {
        if (const auto* reply = payload_as<ParamReply>(payload)) {
            const auto name = builder.CreateString(reply->name.data(), reply->name.size());
            parts.param = wire::CreateParam(builder, name, reply->value);
        }
    } else if (function == fnv1a_hash(function_name::kGetStatus)) {
        if (const auto* reply = payload_as<StatusReply>(payload)) {
            parts.status = static_cast<uint8_t>(reply->status & 0xFF);
        }
    } else if (function == fnv1a_hash(function_name::kGetSerialized)) {
        if (const auto* reply = payload_as<SerializedReply>(payload)) {
            parts.serialized_out = build_serialized(builder, *reply);
        }
    } else if (function == fnv1a_hash(function_name::kNotify)) {
        if (const auto* event = payload_as<datapath::NotifyEvent>(payload)) {
            parts.notification = build_notification(builder, *event);
        }
    } else if (function != fnv1a_hash(function_name::kDestroy) && function != fnv1a_hash(function_name::kStart) &&
               function != fnv1a_hash(function_name::kStop) && function != fnv1a_hash(function_name::kConfig) &&
               function != fnv1a_hash(function_name::kSet) && function != fnv1a_hash(function_name::kSetSerialized)) {
        return false;
    }
    return true;
}

}  // namespace

flatbuffers::DetachedBuffer build_reply(std::string_view name, uint32_t result, const ReplyPayload& payload)
{
    FlatBufferBuilder builder(1024);
    ReplyParts parts;
    if (!fill_parts(builder, fnv1a_hash(name), payload, parts)) {
        std::fputs("unknown function hash", stdout);
    }
    const auto name_offset = builder.CreateString(name.data(), name.size());
    wire::IpcMessageBuilder message(builder);
    message.add_name(name_offset);
    if (parts.info != nullptr) {
        message.add_info(parts.info);
    }
    message.add_enum_result(parts.enum_result);
    message.add_param(parts.param);
    message.add_status(parts.status);
    message.add_notification(parts.notification);
    message.add_handle(parts.handle);
    message.add_result(result);
    message.add_serialized_out(parts.serialized_out);
    builder.Finish(message.Finish());
    return builder.Release();
}

}  // namespace qev::rpc
