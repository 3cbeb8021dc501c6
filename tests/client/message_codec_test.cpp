#include "rpc/wire_constants.h"
#include "client/reply_decoder.h"
#include "client/request_encoder.h"
#include "client/result_code.h"
#include "wire_test_messages.h"

#include <gtest/gtest.h>

namespace qev::client {
namespace {

namespace fn = wire::function_name;

using testing::finish;

const wire::IpcMessage& verified(const std::vector<std::uint8_t>& bytes)
{
    flatbuffers::Verifier verifier(bytes.data(), bytes.size());
    EXPECT_TRUE(wire::VerifyIpcMessageBuffer(verifier));
    return *wire::GetIpcMessage(bytes.data());
}

// The generated tables hide their Table base; presence of a scalar is only visible through it.
bool has_field(const wire::IpcMessage& message, flatbuffers::voffset_t field)
{
    return reinterpret_cast<const flatbuffers::Table*>(&message)->CheckField(field);
}

TEST(RequestEncoder, SetCarriesNameHandleAndParamOnly)
{
    Request request;
    request.name = fn::kSet;
    request.handle = 7;
    request.param = ParamArg{"nr_level", 60.5f};
    const auto bytes = encode_request(request);
    const auto& message = verified(bytes);
    EXPECT_EQ(message.name()->str(), "QevIntfSet");
    EXPECT_EQ(message.handle(), 7u);
    ASSERT_NE(message.param(), nullptr);
    EXPECT_EQ(message.param()->name()->str(), "nr_level");
    EXPECT_FLOAT_EQ(message.param()->value(), 60.5f);
    EXPECT_EQ(message.config(), nullptr);
    EXPECT_EQ(message.serialized_in(), nullptr);
    EXPECT_FALSE(has_field(message, wire::IpcMessage::VT_TYPE));
    EXPECT_FALSE(has_field(message, wire::IpcMessage::VT_RESULT));
}

TEST(RequestEncoder, ZeroHandleAndTypeAreOmitted)
{
    Request request;
    request.name = fn::kGetInfo;
    const auto& message = verified(encode_request(request));
    EXPECT_FALSE(has_field(message, wire::IpcMessage::VT_HANDLE));
    EXPECT_FALSE(has_field(message, wire::IpcMessage::VT_TYPE));
}

TEST(RequestEncoder, EnumWritesType)
{
    Request request;
    request.name = fn::kEnum;
    request.type = 2;
    const auto bytes = encode_request(request);
    EXPECT_EQ(verified(bytes).type(), 2);
}

TEST(RequestEncoder, CreateWritesBothDeviceNames)
{
    Request request;
    request.name = fn::kCreate;
    request.config = DeviceNames{"Microphone (Array)", "Speakers"};
    const auto bytes = encode_request(request);
    const auto* config = verified(bytes).config();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->primary_device()->str(), "Microphone (Array)");
    EXPECT_EQ(config->secondary_device()->str(), "Speakers");
}

TEST(RequestEncoder, SerializedSizeMatchesData)
{
    Request request;
    request.name = fn::kSetSerialized;
    request.handle = 3;
    request.serialized_in = SerializedArg{"win_reg", {1, 2, 3, 0, 255}};
    const auto bytes = encode_request(request);
    const auto* serialized = verified(bytes).serialized_in();
    ASSERT_NE(serialized, nullptr);
    EXPECT_EQ(serialized->name()->str(), "win_reg");
    EXPECT_EQ(serialized->size(), 5u);
    ASSERT_EQ(serialized->data()->size(), 5u);
    EXPECT_EQ(serialized->data()->Get(4), 255);
}

TEST(ReplyDecoder, ReadsEveryReplyField)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto name = builder.CreateString("QevIntfGetSerialized");
    const auto names = builder.CreateVectorOfStrings({"general", "vpnr"});
    const auto enum_result = wire::CreateEnumResult(builder, 2, names);
    const auto param = wire::CreateParamDirect(builder, "nr_level", 42.0f);
    const std::vector<std::uint8_t> payload{9, 8, 7};
    const auto serialized = wire::CreateSerializedParamDirect(builder, "win_reg", 3, &payload);
    const wire::ServerInfo info(1, 601, 2777, 0);
    const auto bytes = finish(
        builder, wire::CreateIpcMessage(builder, name, &info, enum_result, 0, param, 0, 2, 0, 11, 3, 0, serialized));
    const auto reply = decode_reply(bytes);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->name, "QevIntfGetSerialized");
    EXPECT_EQ(reply->result, 3u);
    EXPECT_EQ(reply->handle, 11u);
    EXPECT_EQ(reply->status, 2);
    ASSERT_TRUE(reply->info.has_value());
    EXPECT_EQ(*reply->info, (std::array<std::uint32_t, 4>{1, 601, 2777, 0}));
    EXPECT_TRUE(reply->has_enum_result);
    EXPECT_EQ(reply->enum_count, 2u);
    EXPECT_EQ(reply->names, (std::vector<std::string>{"general", "vpnr"}));
    EXPECT_EQ(reply->param_name, "nr_level");
    EXPECT_FLOAT_EQ(reply->param_value, 42.0f);
    EXPECT_EQ(reply->serialized_name, "win_reg");
    EXPECT_EQ(reply->serialized_data, payload);
}

TEST(ReplyDecoder, AbsentFieldsReadAsZeroAndEmpty)
{
    const auto reply = decode_reply(testing::simple_reply("QevIntfStart", 0));
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->result, 0u);
    EXPECT_FALSE(reply->info.has_value());
    EXPECT_FALSE(reply->has_enum_result);
    EXPECT_TRUE(reply->names.empty());
    EXPECT_FALSE(reply->has_serialized_out);
}

TEST(ReplyDecoder, RejectsBytesThatFailVerification)
{
    EXPECT_FALSE(decode_reply({}).has_value());
    const std::vector<std::uint8_t> garbage{0xff, 0xff, 0xff, 0x7f, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(decode_reply(garbage).has_value());
    auto valid = testing::simple_reply("QevIntfStart", 1);
    valid.resize(valid.size() / 2);
    EXPECT_FALSE(decode_reply(valid).has_value());
}

TEST(ReplyDecoder, RejectsSerializedSizeBeyondData)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto name = builder.CreateString("QevIntfGetSerialized");
    const std::vector<std::uint8_t> payload{1, 2};
    const auto serialized = wire::CreateSerializedParamDirect(builder, "win_reg", 3, &payload);
    const auto bytes =
        finish(builder, wire::CreateIpcMessage(builder, name, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, serialized));
    EXPECT_FALSE(decode_reply(bytes).has_value());
}

TEST(NotificationDecoder, DecodesEveryEventType)
{
    flatbuffers::FlatBufferBuilder b0;
    auto event = decode_notification(testing::notification(0, wire::NotificationPayload::DeviceListEvent, b0,
                                                           wire::CreateDeviceListEvent(b0, 1).Union()));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->type, 0);
    EXPECT_EQ(event->value, 1u);

    flatbuffers::FlatBufferBuilder b1;
    event = decode_notification(testing::notification(1, wire::NotificationPayload::HandleEvent, b1,
                                                      wire::CreateHandleEvent(b1, 0x12345678).Union()));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->value, 0x12345678u);

    flatbuffers::FlatBufferBuilder b2;
    event = decode_notification(
        testing::notification(2, wire::NotificationPayload::FlagEvent, b2, wire::CreateFlagEvent(b2, 200).Union()));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->value, 200u);

    flatbuffers::FlatBufferBuilder b3;
    event = decode_notification(
        testing::notification(3, wire::NotificationPayload::ValueEvent, b3, wire::CreateValueEvent(b3, 77).Union()));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->value, 77u);

    flatbuffers::FlatBufferBuilder b4;
    const std::string endpoint = "{0.0.1.00000000}.{11111111-2222-3333-4444-555555555555}";
    event = decode_notification(
        testing::notification(4, wire::NotificationPayload::SessionActivationEvent, b4,
                              wire::CreateSessionActivationEventDirect(b4, 1, endpoint.c_str()).Union()));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->type, 4);
    EXPECT_EQ(event->value, 1u);
    EXPECT_EQ(event->text, endpoint);

    event = decode_notification(testing::handle_text_notification(9, "nr_level"));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->type, 5);
    EXPECT_EQ(event->value, 9u);
    EXPECT_EQ(event->text, "nr_level");
}

TEST(NotificationDecoder, TypeWithoutPayloadDecodesWithZeroValue)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto event = decode_notification(testing::notification(9, wire::NotificationPayload::NONE, builder, 0));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->type, 9);
    EXPECT_EQ(event->value, 0u);
    EXPECT_TRUE(event->text.empty());
}

TEST(NotificationDecoder, RejectsTagThatDoesNotMatchType)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto bytes = testing::notification(0, wire::NotificationPayload::HandleEvent, builder,
                                             wire::CreateHandleEvent(builder, 1).Union());
    EXPECT_FALSE(decode_notification(bytes).has_value());
}

TEST(NotificationDecoder, RejectsOtherMessagesAndGarbage)
{
    EXPECT_FALSE(decode_notification(testing::simple_reply("QevIntfNotify", 0)).has_value());
    EXPECT_FALSE(decode_notification(testing::simple_reply("QevIntfGetInfo", 0)).has_value());
    const std::vector<std::uint8_t> garbage(40, 0xab);
    EXPECT_FALSE(decode_notification(garbage).has_value());
}

TEST(ResultCode, MeaningsOfTheDefinedCodes)
{
    EXPECT_EQ(result_meaning(0), "success");
    EXPECT_EQ(result_meaning(1), "not carried out");
    EXPECT_EQ(result_meaning(3), "invalid argument");
    EXPECT_EQ(result_meaning(5), "unknown enumeration type");
    EXPECT_EQ(result_meaning(2), "unknown result");
    EXPECT_EQ(result_meaning(0xFFFFFFFFu), "unknown result");
}

}  // namespace
}  // namespace qev::client
