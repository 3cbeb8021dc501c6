#include "service_fixture.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

// The handlers free the manager's GetSerialized output with the C allocator; the test executable is
// linked with --wrap=free so that those frees can be seen.
namespace {
std::atomic<void*> g_watched_name{nullptr};
std::atomic<void*> g_watched_data{nullptr};
std::atomic<int> g_watched_frees{0};
} // namespace

extern "C" void __real_free(void* memory);
extern "C" void __wrap_free(void* memory)
{
    if (memory != nullptr && (memory == g_watched_name.load() || memory == g_watched_data.load())) {
        ++g_watched_frees;
    }
    __real_free(memory);
}

namespace {

using testing::_;
using testing::DoAll;
using testing::Invoke;
using testing::Return;
using testing::SetArgPointee;

class Dispatcher : public ServiceFixture {};

RequestFields named(const std::string& name)
{
    RequestFields fields;
    fields.name = name;
    return fields;
}

RequestFields with_handle(const std::string& name, uint32_t handle)
{
    RequestFields fields = named(name);
    fields.handle = handle;
    return fields;
}

TEST_F(Dispatcher, UnknownNameIsLoggedAndUnanswered)
{
    const auto bytes = build_named_request("QevIntfBogus");
    EXPECT_TRUE(dispatch(*service_, bytes.data(), bytes.size()));
    EXPECT_TRUE(log_.contains("[qev] API NAME: QevIntfBogus\n"));
    EXPECT_TRUE(log_.contains("[qev] Default...\n"));
    expect_next_reply_is_get_info();
}

TEST_F(Dispatcher, MissingNameIsUnknown)
{
    RequestFields fields;
    fields.handle = 3;
    const auto bytes = build_request(fields);
    EXPECT_TRUE(dispatch(*service_, bytes.data(), bytes.size()));
    EXPECT_TRUE(log_.contains("[qev] Default...\n"));
    expect_next_reply_is_get_info();
}

TEST_F(Dispatcher, NotifyIsNotAClientFunction)
{
    const auto bytes = build_named_request("QevIntfNotify");
    EXPECT_TRUE(dispatch(*service_, bytes.data(), bytes.size()));
    EXPECT_TRUE(log_.contains("[qev] Default...\n"));
    expect_next_reply_is_get_info();
}

TEST_F(Dispatcher, MalformedAndEmptyMessagesAreDroppedBeforeAnyFieldIsRead)
{
    testing::StrictMock<MockDatapathManager> strict;
    auto service = std::make_shared<RpcService>(strict, std::make_unique<PipeConnection>(L"unused_a"),
                                                std::make_unique<PipeConnection>(L"unused_b"));
    const uint8_t garbage[] = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(dispatch(*service, garbage, sizeof(garbage)));
    EXPECT_TRUE(dispatch(*service, garbage, 0));
    // A valid buffer whose name offset is cut off.
    const auto valid = build_named_request("QevIntfGetInfo");
    EXPECT_TRUE(dispatch(*service, valid.data(), valid.size() - 8));
    EXPECT_EQ(log_.count("[qev] Ignored a request that is not a valid IpcMessage (12 bytes)\n"), 1u);
    EXPECT_EQ(log_.count("[qev] Ignored a request that is not a valid IpcMessage (0 bytes)\n"), 1u);
    EXPECT_FALSE(log_.contains("[qev] API NAME: QevIntfGetInfo\n"));
}

TEST_F(Dispatcher, MalformedMessageLeavesTheConnectionServing)
{
    const uint8_t garbage[] = {0x10, 0, 0, 0, 0xAA, 0xBB};
    EXPECT_TRUE(dispatch(*service_, garbage, sizeof(garbage)));
    expect_next_reply_is_get_info();
}

TEST_F(Dispatcher, GetInfoRepliesWithManagerValuesAndEchoesName)
{
    EXPECT_CALL(manager_, GetInfo(_)).WillOnce(DoAll(SetArgPointee<0>(ServerInfo{1, 601, 2777, 0}), Return(0u)));
    const auto* reply = call(named("QevIntfGetInfo"));
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->name()->str(), "QevIntfGetInfo");
    ASSERT_NE(reply->info(), nullptr);
    EXPECT_EQ(reply->info()->info1(), 601u);
    EXPECT_EQ(reply->info()->info2(), 2777u);
    EXPECT_EQ(reply->result(), 0u);
    EXPECT_TRUE(log_.contains("[qev] API NAME: QevIntfGetInfo\n"));
}

TEST_F(Dispatcher, EnumPassesTypeAndListsNames)
{
    EXPECT_CALL(manager_, Enum(2u, _))
        .WillOnce(DoAll(SetArgPointee<1>(std::vector<std::string>{"a", "b"}), Return(0u)));
    RequestFields fields = named("QevIntfEnum");
    fields.type = 2;
    const auto* reply = call(fields);
    ASSERT_NE(reply, nullptr);
    ASSERT_NE(reply->enum_result(), nullptr);
    EXPECT_EQ(reply->enum_result()->count(), 2u);
    EXPECT_EQ(reply->enum_result()->names()->Get(1)->str(), "b");
    EXPECT_TRUE(log_.contains("[qev] [QevIntfEnum] type: 2\n"));
}

TEST_F(Dispatcher, EnumOfUnknownTypeAnswersFiveWithEmptyNames)
{
    EXPECT_CALL(manager_, Enum(3u, _)).WillOnce(Return(5u));
    RequestFields fields = named("QevIntfEnum");
    fields.type = 3;
    const auto* reply = call(fields);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 5u);
    ASSERT_NE(reply->enum_result(), nullptr);
    EXPECT_EQ(reply->enum_result()->names()->size(), 0u);
}

TEST_F(Dispatcher, CreateAddsHandleToTheConnectionAndReplies)
{
    EXPECT_CALL(manager_, Create(_, _)).WillOnce(Invoke([](uint32_t* handle, const QevConfig* config) {
        EXPECT_STREQ(config->primary_device, "Microphone (X)");
        EXPECT_EQ(config->secondary_device, nullptr);
        *handle = 7;
        return 0u;
    }));
    RequestFields fields = named("QevIntfCreate");
    fields.primary_device = "Microphone (X)";
    const auto* reply = call(fields);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->handle(), 7u);
    EXPECT_EQ(service_->handles(), std::vector<uint32_t>{7});
}

TEST_F(Dispatcher, FailedCreateAddsNothingAndRepliesNoHandle)
{
    EXPECT_CALL(manager_, Create(_, _)).WillOnce(DoAll(SetArgPointee<0>(9u), Return(1u)));
    const auto* reply = call(named("QevIntfCreate"));
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 1u);
    EXPECT_FALSE(has_field(reply, qev::wire::IpcMessage::VT_HANDLE));
    EXPECT_TRUE(service_->handles().empty());
}

TEST_F(Dispatcher, DestroyRemovesOneOccurrenceOnlyOnSuccess)
{
    service_->add_handle(4);
    service_->add_handle(5);
    service_->add_handle(4);
    EXPECT_CALL(manager_, Destroy(4u, true)).WillOnce(Return(0u));
    EXPECT_CALL(manager_, Destroy(5u, true)).WillOnce(Return(3u));
    ASSERT_NE(call(with_handle("QevIntfDestroy", 4)), nullptr);
    EXPECT_EQ(service_->handles(), (std::vector<uint32_t>{5, 4}));
    const auto* reply = call(with_handle("QevIntfDestroy", 5));
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 3u);
    EXPECT_EQ(service_->handles(), (std::vector<uint32_t>{5, 4}));
    testing::Mock::VerifyAndClearExpectations(&manager_);
}

TEST_F(Dispatcher, DestroyingTheServiceDestroysRemainingHandlesInOrder)
{
    service_->add_handle(11);
    service_->add_handle(12);
    {
        testing::InSequence order;
        EXPECT_CALL(manager_, Destroy(11u, true)).WillOnce(Return(0u));
        EXPECT_CALL(manager_, Destroy(12u, true)).WillOnce(Return(3u));
    }
    service_.reset();
    EXPECT_TRUE(request_client_.wait_closed());
}

TEST_F(Dispatcher, ConfigPassesBothDevices)
{
    EXPECT_CALL(manager_, Config(0x2Au, _)).WillOnce(Invoke([](uint32_t, const QevConfig* config) {
        EXPECT_STREQ(config->primary_device, "");
        EXPECT_STREQ(config->secondary_device, "Speakers");
        return 1u;
    }));
    RequestFields fields = with_handle("QevIntfConfig", 0x2A);
    fields.primary_device = "";
    fields.secondary_device = "Speakers";
    const auto* reply = call(fields);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 1u);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfConfig] handle: 0X2A\n"));
}

TEST_F(Dispatcher, StartAndStopPassResultsThrough)
{
    EXPECT_CALL(manager_, Start(0u)).WillOnce(Return(3u));
    EXPECT_CALL(manager_, Stop(6u)).WillOnce(Return(0u));
    const auto* started = call(with_handle("QevIntfStart", 0));
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(started->result(), 3u);
    const auto* stopped = call(with_handle("QevIntfStop", 6));
    ASSERT_NE(stopped, nullptr);
    EXPECT_EQ(stopped->name()->str(), "QevIntfStop");
    EXPECT_EQ(stopped->result(), 0u);
}

TEST_F(Dispatcher, SetPassesNameAndValueAndLogs)
{
    EXPECT_CALL(manager_, Set(3u, _)).WillOnce(Invoke([](uint32_t, const QevParam* param) {
        EXPECT_STREQ(param->name, "nr_level");
        EXPECT_FLOAT_EQ(param->value, 60.0f);
        return 0u;
    }));
    RequestFields fields = with_handle("QevIntfSet", 3);
    fields.param_name = "nr_level";
    fields.param_value = 60.0f;
    ASSERT_NE(call(fields), nullptr);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfSet] handle: 0X3, param.name: nr_level, param.value: 60.000000\n"));
}

TEST_F(Dispatcher, FailedGetRepliesZeroAndEchoesTheName)
{
    EXPECT_CALL(manager_, Get(3u, _)).WillOnce(Invoke([](uint32_t, QevParam* param) {
        param->value = 42.0f;
        return 3u;
    }));
    RequestFields fields = with_handle("QevIntfGet", 3);
    fields.param_name = "no_such";
    const auto* reply = call(fields);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 3u);
    ASSERT_NE(reply->param(), nullptr);
    EXPECT_EQ(reply->param()->name()->str(), "no_such");
    EXPECT_EQ(reply->param()->value(), 0.0f);
}

TEST_F(Dispatcher, GetRepliesTheValueRead)
{
    EXPECT_CALL(manager_, Get(3u, _)).WillOnce(Invoke([](uint32_t, QevParam* param) {
        EXPECT_STREQ(param->name, "nr_level");
        param->value = 55.0f;
        return 0u;
    }));
    RequestFields fields = with_handle("QevIntfGet", 3);
    fields.param_name = "nr_level";
    const auto* reply = call(fields);
    ASSERT_NE(reply, nullptr);
    EXPECT_FLOAT_EQ(reply->param()->value(), 55.0f);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfGet] handle: 0X3\n"));
}

TEST_F(Dispatcher, GetStatusOfUnknownHandleRepliesThreeAndZero)
{
    EXPECT_CALL(manager_, GetStatus(99u, _)).WillOnce(DoAll(SetArgPointee<1>(7u), Return(3u)));
    EXPECT_CALL(manager_, GetStatus(1u, _)).WillOnce(DoAll(SetArgPointee<1>(2u), Return(0u)));
    const auto* unknown = call(with_handle("QevIntfGetStatus", 99));
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->result(), 3u);
    EXPECT_EQ(unknown->status(), 0u);
    const auto* known = call(with_handle("QevIntfGetStatus", 1));
    ASSERT_NE(known, nullptr);
    EXPECT_EQ(known->status(), 2u);
}

TEST_F(Dispatcher, SetSerializedPassesExactlySizeBytes)
{
    EXPECT_CALL(manager_, SetSerialized(5u, _)).WillOnce(Invoke([](uint32_t, const QevSerializedParam* param) {
        EXPECT_STREQ(param->name, "win_reg");
        EXPECT_EQ(param->size, 3u);
        EXPECT_EQ(std::vector<uint8_t>(param->data, param->data + 3), (std::vector<uint8_t>{1, 2, 3}));
        return 0u;
    }));
    RequestFields fields = with_handle("QevIntfSetSerialized", 5);
    fields.with_serialized = true;
    fields.serialized_name = "win_reg";
    fields.serialized_size = 3;
    fields.serialized_data = std::vector<uint8_t>{1, 2, 3, 4, 5};
    const auto* reply = call(fields);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 0u);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfSetSerialized] handle: 0X5\n"));
}

TEST_F(Dispatcher, SetSerializedOfSizeZeroPassesNoBytes)
{
    EXPECT_CALL(manager_, SetSerialized(5u, _)).WillOnce(Invoke([](uint32_t, const QevSerializedParam* param) {
        EXPECT_EQ(param->size, 0u);
        EXPECT_EQ(param->data, nullptr);
        return 0u;
    }));
    RequestFields fields = with_handle("QevIntfSetSerialized", 5);
    fields.with_serialized = true;
    fields.serialized_name = "delete_vpnr_bias_file";
    fields.serialized_data = std::vector<uint8_t>{1, 2};
    ASSERT_NE(call(fields), nullptr);
}

TEST_F(Dispatcher, SerializedDataShorterThanSizeIsRejectedWithThree)
{
    EXPECT_CALL(manager_, SetSerialized(_, _)).Times(0);
    EXPECT_CALL(manager_, GetSerialized(_, _, _)).Times(0);
    for (const char* name : {"QevIntfSetSerialized", "QevIntfGetSerialized"}) {
        SCOPED_TRACE(name);
        RequestFields fields = with_handle(name, 5);
        fields.with_serialized = true;
        fields.serialized_name = "win_reg";
        fields.serialized_size = 10;
        fields.serialized_data = std::vector<uint8_t>{1, 2, 3};
        const auto* reply = call(fields);
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->result(), 3u);

        RequestFields without_data = fields;
        without_data.serialized_data.reset();
        const auto* second = call(without_data);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(second->result(), 3u);
    }
}

TEST_F(Dispatcher, GetSerializedRepliesOutputAndFreesIt)
{
    auto* name = static_cast<char*>(std::malloc(8));
    std::memcpy(name, "win_reg", 8);
    auto* data = static_cast<uint8_t*>(std::malloc(4));
    const uint8_t bytes[] = {0xDE, 0xAD, 0xBE, 0xEF};
    std::memcpy(data, bytes, 4);
    g_watched_name = name;
    g_watched_data = data;
    g_watched_frees = 0;
    EXPECT_CALL(manager_, GetSerialized(8u, _, _))
        .WillOnce(Invoke([&](uint32_t, const QevSerializedParam* in, QevSerializedParam* out) {
            EXPECT_STREQ(in->name, "win_reg");
            out->name = name;
            out->size = 4;
            out->data = data;
            return 0u;
        }));
    RequestFields fields = with_handle("QevIntfGetSerialized", 8);
    fields.with_serialized = true;
    fields.serialized_name = "win_reg";
    const auto* reply = call(fields);
    EXPECT_EQ(g_watched_frees.load(), 2);
    g_watched_name = nullptr;
    g_watched_data = nullptr;
    ASSERT_NE(reply, nullptr);
    const auto* out = reply->serialized_out();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->name()->str(), "win_reg");
    EXPECT_EQ(out->size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(out->data()->begin(), out->data()->end()),
              (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
}

TEST_F(Dispatcher, ReplyThatCannotBeWrittenClosesTheConnection)
{
    request_client_.close();
    const auto bytes = build_named_request("QevIntfStart");
    EXPECT_FALSE(dispatch(*service_, bytes.data(), bytes.size()));
}

TEST_F(Dispatcher, RegisteredCallbackForwardsEventsToTheNotificationPipe)
{
    QevNotifyCallback callback = nullptr;
    void* context = nullptr;
    EXPECT_CALL(manager_, RegisterCallback(_, _, _))
        .WillOnce(DoAll(testing::SaveArg<0>(&callback), testing::SaveArg<1>(&context), SetArgPointee<2>(4u),
                        Return(0u)));
    ASSERT_TRUE(service_->register_callback());
    ASSERT_NE(callback, nullptr);
    EXPECT_EQ(context, service_.get());

    service_->add_handle(2);
    const NotifyEvent dropped{5, 3, "nr_level"};
    callback(&dropped, context);
    const NotifyEvent forwarded{5, 2, "algo_name"};
    callback(&forwarded, context);

    const auto message = notify_client_.next_message();
    ASSERT_TRUE(message.has_value());
    const auto* decoded = decode_message(*message);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->name()->str(), "QevIntfNotify");
    const auto* event = decoded->notification()->payload_as_HandleTextEvent();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->value(), 2u) << "the event for a handle of another connection is not sent";
    EXPECT_EQ(event->text()->str(), "algo_name");

    EXPECT_CALL(manager_, UnregisterCallback(4u)).WillOnce(Return(0u));
    EXPECT_CALL(manager_, Destroy(2u, true)).WillOnce(Return(0u));
    service_.reset();
}

} // namespace

namespace {

// Bit-flipped and truncated versions of valid requests: every one is either rejected or answered,
// none crashes the server or asks for the connection to be closed.
TEST_F(Dispatcher, CorruptedRequestsNeverCrashOrCloseTheConnection)
{
    RequestFields fields;
    fields.name = "QevIntfGetSerialized";
    fields.handle = 2;
    fields.with_serialized = true;
    fields.serialized_name = "win_reg";
    fields.serialized_size = 4;
    fields.serialized_data = std::vector<uint8_t>{1, 2, 3, 4};
    fields.param_name = "nr_level";
    fields.primary_device = "Mic";
    const auto valid = build_request(fields);
    uint32_t seed = 12345;
    auto next_random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        auto bytes = valid;
        const int flips = 1 + static_cast<int>(next_random() % 4);
        for (int flip = 0; flip < flips; ++flip) {
            bytes[next_random() % bytes.size()] ^= static_cast<uint8_t>(1u << (next_random() % 8));
        }
        if (round % 7 == 0) {
            bytes.resize(next_random() % bytes.size());
        }
        ASSERT_TRUE(dispatch(*service_, bytes.data(), bytes.size())) << "round " << round;
    }
    expect_next_reply_is_get_info_after_draining();
}

} // namespace
