#include "request_mutator.h"

#include "client/request_encoder.h"
#include "ipc_message_generated.h"
#include "rpc/wire_constants.h"

#include <array>
#include <cstring>
#include <string>

namespace qev::bench {

namespace {

namespace fn = wire::function_name;

using Bytes = std::vector<std::uint8_t>;

const std::array<const char*, 12> kFunctions = {fn::kCreate,  fn::kDestroy, fn::kStart,         fn::kStop,
                                                fn::kConfig,  fn::kSet,     fn::kGet,           fn::kGetStatus,
                                                fn::kGetInfo, fn::kEnum,    fn::kGetSerialized, fn::kSetSerialized};

// Large, yet well below the 8 MiB a request may have.
constexpr std::size_t kLargeVector = 3 * 1024 * 1024;

Bytes finished(flatbuffers::FlatBufferBuilder& builder)
{
    return {builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()};
}

// A SetSerialized request whose data vector has `data_size` bytes and whose size field says `size`.
Bytes serialized_request(std::uint32_t size, std::size_t data_size)
{
    flatbuffers::FlatBufferBuilder builder(data_size + 256);
    const auto name = builder.CreateString(fn::kSetSerialized);
    const auto parameter = builder.CreateString("win_reg");
    const auto data = builder.CreateVector(std::vector<std::uint8_t>(data_size, 0x5A));
    const auto serialized = wire::CreateSerializedParam(builder, parameter, size, data);
    wire::IpcMessageBuilder message(builder);
    message.add_name(name);
    message.add_handle(1);
    message.add_serialized_in(serialized);
    builder.Finish(message.Finish());
    return finished(builder);
}

}  // namespace

Bytes RequestMutator::next()
{
    last_kind_ = static_cast<Kind>(turn_++ % kKinds);
    switch (last_kind_) {
    case Kind::bit_flips:
        return flip_bits(valid_request());
    case Kind::truncated:
        return truncate(valid_request());
    case Kind::wrong_union_tag:
        return wrong_union_tag();
    case Kind::huge_length:
        return huge_length();
    case Kind::size_beyond_data:
        return size_beyond_data();
    case Kind::large_vector:
        // Rare: each one is megabytes through the pipe.
        return below(100) == 0 ? large_vector() : flip_bits(valid_request());
    case Kind::noise:
        return noise();
    }
    return noise();
}

Bytes RequestMutator::valid_request()
{
    client::Request request;
    request.name = kFunctions[below(kFunctions.size())];
    request.handle = below(4);
    request.type = static_cast<std::uint8_t>(below(4));
    request.config = client::DeviceNames{"Microphone Array (Conexant SmartAudio HD)", "Speakers (USB Headset)"};
    request.param = client::ParamArg{"nr_level", static_cast<float>(below(101))};
    request.serialized_in = client::SerializedArg{"win_reg", Bytes(below(64), 0x33)};
    return client::encode_request(request);
}

Bytes RequestMutator::flip_bits(Bytes bytes)
{
    const std::uint32_t flips = 1 + below(8);
    for (std::uint32_t i = 0; i < flips && !bytes.empty(); ++i) {
        bytes[below(static_cast<std::uint32_t>(bytes.size()))] ^= static_cast<std::uint8_t>(1u << below(8));
    }
    return bytes;
}

Bytes RequestMutator::truncate(Bytes bytes)
{
    bytes.resize(below(static_cast<std::uint32_t>(bytes.size())));
    return bytes;
}

Bytes RequestMutator::wrong_union_tag()
{
    flatbuffers::FlatBufferBuilder builder(256);
    const auto name = builder.CreateString(kFunctions[below(kFunctions.size())]);
    const auto text = builder.CreateString("{0.0.1.00000000}.{e}");
    // A table of one kind under the tag of another, an unknown tag, or a tag without a table.
    const auto payload = wire::CreateSessionActivationEvent(builder, 1, text).Union();
    const std::uint8_t tag = static_cast<std::uint8_t>(below(256));
    const auto notification =
        below(2) == 0 ? wire::CreateNotification(builder, 4, static_cast<wire::NotificationPayload>(tag), payload)
                      : wire::CreateNotification(builder, 4, static_cast<wire::NotificationPayload>(tag));
    wire::IpcMessageBuilder message(builder);
    message.add_name(name);
    message.add_notification(notification);
    builder.Finish(message.Finish());
    return finished(builder);
}

Bytes RequestMutator::huge_length()
{
    Bytes bytes = serialized_request(16, 16);
    // The data vector's length field sits right before its first byte.
    const auto* data = wire::GetIpcMessage(bytes.data())->serialized_in()->data();
    const std::size_t at = reinterpret_cast<const std::uint8_t*>(data) - bytes.data();
    const std::uint32_t claimed = 0x7FFFFFF0u - below(0x1000);
    std::memcpy(bytes.data() + at, &claimed, sizeof(claimed));
    return bytes;
}

Bytes RequestMutator::size_beyond_data()
{
    const std::size_t data_size = below(64);
    return serialized_request(static_cast<std::uint32_t>(data_size + 1 + below(0x10000000)), data_size);
}

Bytes RequestMutator::large_vector()
{
    return serialized_request(static_cast<std::uint32_t>(kLargeVector), kLargeVector);
}

Bytes RequestMutator::noise()
{
    Bytes bytes(below(512));
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random_());
    }
    return bytes;
}

}  // namespace qev::bench
