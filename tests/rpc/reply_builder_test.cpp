#include "rpc/reply_builder.h"

#include "request_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qev::rpc {

namespace {

using wire::IpcMessage;
using wire::NotificationPayload;

// Keeps the built buffer alive with its verified root.
struct Decoded {
    flatbuffers::DetachedBuffer buffer;
    const IpcMessage* message = nullptr;
};

Decoded build(std::string_view name, uint32_t result, const ReplyPayload& payload)
{
    Decoded decoded{build_reply(name, result, payload)};
    flatbuffers::Verifier verifier(decoded.buffer.data(), decoded.buffer.size());
    if (wire::VerifyIpcMessageBuffer(verifier)) {
        decoded.message = wire::GetIpcMessage(decoded.buffer.data());
    }
    return decoded;
}

void expect_name_and_result_only(const IpcMessage* message)
{
    for (const auto field :
         {IpcMessage::VT_INFO, IpcMessage::VT_ENUM_RESULT, IpcMessage::VT_CONFIG, IpcMessage::VT_PARAM,
          IpcMessage::VT_TYPE, IpcMessage::VT_STATUS, IpcMessage::VT_NOTIFICATION, IpcMessage::VT_HANDLE,
          IpcMessage::VT_SERIALIZED_IN, IpcMessage::VT_SERIALIZED_OUT}) {
        EXPECT_FALSE(has_field(message, field)) << "field offset " << field;
    }
}

TEST(ReplyBuilder, GetInfoCarriesTheFourValuesAndNoResultOnSuccess)
{
    const auto reply = build("QevIntfGetInfo", 0, datapath::ServerInfo{1, 601, 2777, 0});
    ASSERT_NE(reply.message, nullptr);
    const auto* info = reply.message->info();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::vector<uint32_t>({info->info0(), info->info1(), info->info2(), info->info3()}),
              std::vector<uint32_t>({1, 601, 2777, 0}));
    EXPECT_FALSE(has_field(reply.message, IpcMessage::VT_RESULT)) << "0 is a default and omitted";
}

TEST(ReplyBuilder, EnumListsNamesInOrderWithCountOrAnEmptyVectorWithout)
{
    const std::vector<std::string> names = {"nr_basic", "nr_vpnr", "aec"};
    const auto reply = build("QevIntfEnum", 0, &names);
    ASSERT_NE(reply.message, nullptr);
    const auto* result = reply.message->enum_result();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->count(), 3u);
    ASSERT_EQ(result->names()->size(), 3u);
    EXPECT_EQ(result->names()->Get(0)->str(), "nr_basic");
    EXPECT_EQ(result->names()->Get(2)->str(), "aec");

    const std::vector<std::string> none;
    const auto empty = build("QevIntfEnum", 5, &none);
    ASSERT_NE(empty.message, nullptr);
    EXPECT_EQ(empty.message->result(), 5u);
    ASSERT_NE(empty.message->enum_result(), nullptr);
    EXPECT_FALSE(has_field(empty.message->enum_result(), wire::EnumResult::VT_COUNT));
    ASSERT_NE(empty.message->enum_result()->names(), nullptr);
    EXPECT_EQ(empty.message->enum_result()->names()->size(), 0u);
}

TEST(ReplyBuilder, CreateStatusAndGetCarryTheirValues)
{
    const auto created = build("QevIntfCreate", 0, HandleReply{7});
    ASSERT_NE(created.message, nullptr);
    EXPECT_EQ(created.message->handle(), 7u);
    const auto failed = build("QevIntfCreate", 1, HandleReply{0});
    ASSERT_NE(failed.message, nullptr);
    EXPECT_FALSE(has_field(failed.message, IpcMessage::VT_HANDLE));
    const auto status = build("QevIntfGetStatus", 0, StatusReply{0x102});
    ASSERT_NE(status.message, nullptr);
    EXPECT_EQ(status.message->status(), 2u);
    const auto get = build("QevIntfGet", 0, ParamReply{"nr_level", 60.5f});
    ASSERT_NE(get.message, nullptr);
    ASSERT_NE(get.message->param(), nullptr);
    EXPECT_EQ(get.message->param()->name()->str(), "nr_level");
    EXPECT_FLOAT_EQ(get.message->param()->value(), 60.5f);
}

TEST(ReplyBuilder, GetSerializedCarriesExactlySizeBytesOrEmptyDataWithoutSizeAndName)
{
    const uint8_t bytes[] = {9, 8, 7, 6};
    const auto reply = build("QevIntfGetSerialized", 0, SerializedReply{"win_reg", 3, bytes});
    ASSERT_NE(reply.message, nullptr);
    const auto* out = reply.message->serialized_out();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->name()->str(), "win_reg");
    EXPECT_EQ(out->size(), 3u);
    ASSERT_NE(out->data(), nullptr);
    EXPECT_EQ(std::vector<uint8_t>(out->data()->begin(), out->data()->end()), (std::vector<uint8_t>{9, 8, 7}));

    const auto nothing = build("QevIntfGetSerialized", 3, SerializedReply{});
    ASSERT_NE(nothing.message, nullptr);
    const auto* empty = nothing.message->serialized_out();
    ASSERT_NE(empty, nullptr);
    EXPECT_FALSE(has_field(empty, wire::SerializedParam::VT_SIZE));
    EXPECT_EQ(empty->name(), nullptr);
    ASSERT_NE(empty->data(), nullptr);
    EXPECT_EQ(empty->data()->size(), 0u);
}

TEST(ReplyBuilder, FunctionsWithoutOrWithTheWrongPayloadCarryNameAndResultOnly)
{
    for (const char* name :
         {"QevIntfDestroy", "QevIntfStart", "QevIntfStop", "QevIntfConfig", "QevIntfSet", "QevIntfSetSerialized"}) {
        SCOPED_TRACE(name);
        const auto reply = build(name, 3, std::monostate{});
        ASSERT_NE(reply.message, nullptr);
        EXPECT_EQ(reply.message->name()->str(), name);
        EXPECT_EQ(reply.message->result(), 3u);
        expect_name_and_result_only(reply.message);
    }
    const auto wrong_kind = build("QevIntfCreate", 0, datapath::ServerInfo{1, 2, 3, 4});
    ASSERT_NE(wrong_kind.message, nullptr);
    expect_name_and_result_only(wrong_kind.message);
}

TEST(ReplyBuilder, UnknownNameSendsNameAndResultOnlyAndNamesEchoByteForByte)
{
    testing::internal::CaptureStdout();
    const auto reply = build("QevIntfBogus", 1, HandleReply{5});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "unknown function hash");
    ASSERT_NE(reply.message, nullptr);
    EXPECT_EQ(reply.message->name()->str(), "QevIntfBogus");
    EXPECT_EQ(reply.message->result(), 1u);
    expect_name_and_result_only(reply.message);
    const std::string odd_name("QevIntfStart\0tail\xFF", 18);
    const auto echoed = build(odd_name, 0, std::monostate{});
    ASSERT_NE(echoed.message, nullptr);
    EXPECT_EQ(echoed.message->name()->str(), odd_name) << "the name is echoed byte for byte";
}

TEST(ReplyBuilder, KnownEventTypesUseTagTypePlusOneOthersTravelWithoutPayload)
{
    for (int type = 0; type <= 5; ++type) {
        SCOPED_TRACE(type);
        const auto reply = build("QevIntfNotify", 0, datapath::NotifyEvent{type, 1, "nr_level"});
        ASSERT_NE(reply.message, nullptr);
        const auto* notification = reply.message->notification();
        ASSERT_NE(notification, nullptr);
        EXPECT_EQ(notification->type(), static_cast<uint32_t>(type));
        EXPECT_EQ(static_cast<int>(notification->payload_type()), type + 1);
        EXPECT_NE(notification->payload(), nullptr);
    }
    const auto activation = build("QevIntfNotify", 0, datapath::NotifyEvent{4, 1, "{0.0.1.00000000}.{x}"});
    ASSERT_NE(activation.message, nullptr);
    EXPECT_EQ(activation.message->name()->str(), "QevIntfNotify");
    const auto* session = activation.message->notification()->payload_as_SessionActivationEvent();
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->value(), 1u);
    EXPECT_EQ(session->text()->str(), "{0.0.1.00000000}.{x}");
    const auto handle_text = build("QevIntfNotify", 0, datapath::NotifyEvent{5, 0x42, "algo_name"});
    const auto* event = handle_text.message->notification()->payload_as_HandleTextEvent();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->value(), 0x42u);
    EXPECT_EQ(event->text()->str(), "algo_name");
    const auto device_list = build("QevIntfNotify", 0, datapath::NotifyEvent{0, 1, nullptr});
    ASSERT_NE(device_list.message->notification()->payload_as_DeviceListEvent(), nullptr);
    EXPECT_EQ(device_list.message->notification()->payload_as_DeviceListEvent()->value(), 1u);

    const auto other = build("QevIntfNotify", 0, datapath::NotifyEvent{9, 3, nullptr});
    ASSERT_NE(other.message, nullptr);
    EXPECT_EQ(other.message->notification()->type(), 9u);
    EXPECT_EQ(other.message->notification()->payload_type(), NotificationPayload::NONE);
    EXPECT_EQ(other.message->notification()->payload(), nullptr);
}

}  // namespace

}  // namespace qev::rpc
