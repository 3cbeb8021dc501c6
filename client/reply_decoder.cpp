#include "client/reply_decoder.h"

#include "rpc/wire_constants.h"
#include "ipc_message_generated.h"

namespace qev::client {

namespace {

namespace fn = wire::function_name;

std::string str(const flatbuffers::String* text)
{
    return text ? text->str() : std::string();
}

const wire::IpcMessage* verified_root(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) {
        return nullptr;
    }
    flatbuffers::Verifier verifier(bytes.data(), bytes.size());
    if (!wire::VerifyIpcMessageBuffer(verifier)) {
        return nullptr;
    }
    return wire::GetIpcMessage(bytes.data());
}

void read_enum(const wire::EnumResult* result, Reply& reply)
{
    if (!result) {
        return;
    }
    reply.has_enum_result = true;
    reply.enum_count = result->count();
    if (const auto* names = result->names()) {
        for (const auto* name : *names) {
            reply.names.push_back(str(name));
        }
    }
}

bool read_serialized(const wire::SerializedParam* serialized, Reply& reply)
{
    if (!serialized) {
        return true;
    }
    reply.has_serialized_out = true;
    reply.serialized_name = str(serialized->name());
    reply.serialized_size = serialized->size();
    const auto* data = serialized->data();
    const std::size_t available = data ? data->size() : 0;
    if (available < reply.serialized_size) {
        return false;  // claims more bytes than it carries
    }
    if (data) {
        reply.serialized_data.assign(data->begin(), data->begin() + reply.serialized_size);
    }
    return true;
}

// Fills value and text from the payload table the tag names.
bool read_payload(const wire::Notification& notification, Event& event)
{
    using wire::NotificationPayload;
    switch (notification.payload_type()) {
    case NotificationPayload::NONE:
        return true;
    case NotificationPayload::DeviceListEvent:
        event.value = notification.payload_as_DeviceListEvent()->value();
        return true;
    case NotificationPayload::HandleEvent:
        event.value = notification.payload_as_HandleEvent()->value();
        return true;
    case NotificationPayload::FlagEvent:
        event.value = notification.payload_as_FlagEvent()->value();
        return true;
    case NotificationPayload::ValueEvent:
        event.value = notification.payload_as_ValueEvent()->value();
        return true;
    case NotificationPayload::SessionActivationEvent: {
        const auto* payload = notification.payload_as_SessionActivationEvent();
        event.value = payload->value();
        event.text = str(payload->text());
        return true;
    }
    case NotificationPayload::HandleTextEvent: {
        const auto* payload = notification.payload_as_HandleTextEvent();
        event.value = payload->value();
        event.text = str(payload->text());
        return true;
    }
    }
    return false;
}

}  // namespace

std::optional<Reply> decode_reply(std::span<const std::uint8_t> bytes)
{
    const auto* message = verified_root(bytes);
    if (!message) {
        return std::nullopt;
    }
    Reply reply;
    reply.name = str(message->name());
    reply.result = message->result();
    reply.handle = message->handle();
    reply.status = message->status();
    if (const auto* info = message->info()) {
        reply.info = std::array<std::uint32_t, 4>{info->info0(), info->info1(), info->info2(), info->info3()};
    }
    read_enum(message->enum_result(), reply);
    if (const auto* param = message->param()) {
        reply.param_name = str(param->name());
        reply.param_value = param->value();
    }
    if (!read_serialized(message->serialized_out(), reply)) {
        return std::nullopt;
    }
    return reply;
}

std::optional<Event> decode_notification(std::span<const std::uint8_t> bytes)
{
    const auto* message = verified_root(bytes);
    if (!message || str(message->name()) != fn::kNotify || !message->notification()) {
        return std::nullopt;
    }
    const auto& notification = *message->notification();
    const auto tag = static_cast<unsigned>(notification.payload_type());
    // The tag is the type plus one, or absent for types without a payload.
    if (tag != 0 && tag != notification.type() + 1u) {
        return std::nullopt;
    }
    Event event;
    event.type = notification.type();
    if (tag != 0 && !notification.payload()) {
        return std::nullopt;
    }
    if (!read_payload(notification, event)) {
        return std::nullopt;
    }
    return event;
}

}  // namespace qev::client
