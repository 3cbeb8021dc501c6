#include "service_fixture.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qev::rpc {

// The handlers free the manager's GetSerialized output with the C allocator; the test executable is
// linked with --wrap=free so that those frees can be seen.
namespace {
std::atomic<void*> g_watched_name{nullptr};
std::atomic<void*> g_watched_data{nullptr};
std::atomic<int> g_watched_frees{0};
}  // namespace

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

TEST_F(Dispatcher, UnknownMissingAndNotifyNamesAreLoggedAndUnanswered)
{
    for (const RequestFields& fields :
         {RequestFields{.name = "QevIntfBogus"}, RequestFields{.handle = 3}, RequestFields{.name = "QevIntfNotify"}}) {
        const auto bytes = build_request(fields);
        EXPECT_TRUE(dispatch(*service_, bytes.data(), bytes.size()));
    }
    EXPECT_TRUE(log_.contains("[qev] API NAME: QevIntfBogus\n"));
    EXPECT_EQ(log_.count("[qev] Default...\n"), 3u);
    expect_next_reply_is_get_info();
}

TEST_F(Dispatcher, MalformedAndEmptyMessagesAreDroppedAndTheConnectionServes)
{
    const uint8_t garbage[] = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(dispatch(*service_, garbage, sizeof(garbage)));
    EXPECT_TRUE(dispatch(*service_, garbage, 0));
    // A valid buffer whose name offset is cut off.
    const auto valid = build_named_request("QevIntfGetInfo");
    EXPECT_TRUE(dispatch(*service_, valid.data(), valid.size() - 8));
    EXPECT_EQ(log_.count("[qev] Ignored a request that is not a valid IpcMessage (12 bytes)\n"), 1u);
    EXPECT_EQ(log_.count("[qev] Ignored a request that is not a valid IpcMessage (0 bytes)\n"), 1u);
    EXPECT_FALSE(log_.contains("[qev] API NAME: QevIntfGetInfo\n"));
    expect_next_reply_is_get_info();
}

TEST_F(Dispatcher, GetInfoRepliesWithManagerValuesAndEchoesName)
{
    EXPECT_CALL(manager_, GetInfo(_))
        .WillOnce(DoAll(SetArgPointee<0>(datapath::ServerInfo{1, 601, 2777, 0}), Return(0u)));
    const auto* reply = call({.name = "QevIntfGetInfo"});
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->name()->str(), "QevIntfGetInfo");
    ASSERT_NE(reply->info(), nullptr);
    EXPECT_EQ(reply->info()->info1(), 601u);
    EXPECT_EQ(reply->info()->info2(), 2777u);
    EXPECT_TRUE(log_.contains("[qev] API NAME: QevIntfGetInfo\n"));
}

TEST_F(Dispatcher, EnumPassesTypeAndListsNamesOrAnswersFiveWithNone)
{
    EXPECT_CALL(manager_, Enum(2u, _))
        .WillOnce(DoAll(SetArgPointee<1>(std::vector<std::string>{"a", "b"}), Return(0u)));
    EXPECT_CALL(manager_, Enum(3u, _)).WillOnce(Return(5u));
    const auto* reply = call({.name = "QevIntfEnum", .type = 2});
    ASSERT_NE(reply, nullptr);
    ASSERT_NE(reply->enum_result(), nullptr);
    EXPECT_EQ(reply->enum_result()->count(), 2u);
    EXPECT_EQ(reply->enum_result()->names()->Get(1)->str(), "b");
    EXPECT_TRUE(log_.contains("[qev] [QevIntfEnum] type: 2\n"));
    const auto* unknown = call({.name = "QevIntfEnum", .type = 3});
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->result(), 5u);
    ASSERT_NE(unknown->enum_result(), nullptr);
    EXPECT_EQ(unknown->enum_result()->names()->size(), 0u);
}

TEST_F(Dispatcher, CreateAddsTheHandleOnlyOnSuccess)
{
    EXPECT_CALL(manager_, Create(_, _))
        .WillOnce(Invoke([](uint32_t* handle, const datapath::QevConfig* config) {
            EXPECT_STREQ(config->primary_device, "Microphone (X)");
            EXPECT_EQ(config->secondary_device, nullptr);
            *handle = 7;
            return 0u;
        }))
        .WillOnce(DoAll(SetArgPointee<0>(9u), Return(1u)));
    const auto* reply = call({.name = "QevIntfCreate", .primary_device = "Microphone (X)"});
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->handle(), 7u);
    const auto* failed = call({.name = "QevIntfCreate"});
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->result(), 1u);
    EXPECT_FALSE(has_field(failed, wire::IpcMessage::VT_HANDLE));
    EXPECT_EQ(service_->handles(), std::vector<uint32_t>{7});
}

TEST_F(Dispatcher, DestroyRemovesOneOccurrenceOnlyOnSuccess)
{
    for (const uint32_t handle : {4u, 5u, 4u}) {
        service_->add_handle(handle);
    }
    EXPECT_CALL(manager_, Destroy(4u, true)).WillOnce(Return(0u));
    EXPECT_CALL(manager_, Destroy(5u, true)).WillOnce(Return(3u));
    ASSERT_NE(call({.name = "QevIntfDestroy", .handle = 4}), nullptr);
    EXPECT_EQ(service_->handles(), (std::vector<uint32_t>{5, 4}));
    const auto* reply = call({.name = "QevIntfDestroy", .handle = 5});
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 3u);
    EXPECT_EQ(service_->handles(), (std::vector<uint32_t>{5, 4}));
    testing::Mock::VerifyAndClearExpectations(&manager_);
}

TEST_F(Dispatcher, DestroyingTheServiceDestroysRemainingHandlesInOrder)
{
    service_->add_handle(11);
    service_->add_handle(12);
    testing::InSequence order;
    EXPECT_CALL(manager_, Destroy(11u, true)).WillOnce(Return(0u));
    EXPECT_CALL(manager_, Destroy(12u, true)).WillOnce(Return(3u));
    service_.reset();
    EXPECT_TRUE(request_client_.wait_closed());
}

TEST_F(Dispatcher, ConfigAndSetPassTheirArgumentsAndLog)
{
    EXPECT_CALL(manager_, Config(0x2Au, _)).WillOnce(Invoke([](uint32_t, const datapath::QevConfig* config) {
        EXPECT_STREQ(config->primary_device, "");
        EXPECT_STREQ(config->secondary_device, "Speakers");
        return 1u;
    }));
    EXPECT_CALL(manager_, Set(3u, _)).WillOnce(Invoke([](uint32_t, const datapath::QevParam* param) {
        EXPECT_STREQ(param->name, "nr_level");
        EXPECT_FLOAT_EQ(param->value, 60.0f);
        return 0u;
    }));
    const auto* reply =
        call({.name = "QevIntfConfig", .handle = 0x2A, .primary_device = "", .secondary_device = "Speakers"});
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 1u);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfConfig] handle: 0X2A\n"));
    ASSERT_NE(call({.name = "QevIntfSet", .handle = 3, .param_name = "nr_level", .param_value = 60.0f}), nullptr);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfSet] handle: 0X3, param.name: nr_level, param.value: 60.000000\n"));
}

TEST_F(Dispatcher, StartStopAndGetStatusPassResultsThrough)
{
    EXPECT_CALL(manager_, Start(0u)).WillOnce(Return(3u));
    EXPECT_CALL(manager_, Stop(6u)).WillOnce(Return(0u));
    EXPECT_CALL(manager_, GetStatus(99u, _)).WillOnce(DoAll(SetArgPointee<1>(7u), Return(3u)));
    EXPECT_CALL(manager_, GetStatus(1u, _)).WillOnce(DoAll(SetArgPointee<1>(2u), Return(0u)));
    const auto* started = call({.name = "QevIntfStart", .handle = 0});
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(started->result(), 3u);
    const auto* stopped = call({.name = "QevIntfStop", .handle = 6});
    ASSERT_NE(stopped, nullptr);
    EXPECT_EQ(stopped->name()->str(), "QevIntfStop");
    const auto* unknown = call({.name = "QevIntfGetStatus", .handle = 99});
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->result(), 3u);
    EXPECT_EQ(unknown->status(), 0u) << "a failed status read replies zero";
    const auto* known = call({.name = "QevIntfGetStatus", .handle = 1});
    ASSERT_NE(known, nullptr);
    EXPECT_EQ(known->status(), 2u);
}

TEST_F(Dispatcher, GetRepliesTheValueReadOrZeroOnFailure)
{
    EXPECT_CALL(manager_, Get(3u, _)).WillRepeatedly(Invoke([](uint32_t, datapath::QevParam* param) {
        param->value = 55.0f;
        return std::strcmp(param->name, "nr_level") == 0 ? 0u : 3u;
    }));
    const auto* reply = call({.name = "QevIntfGet", .handle = 3, .param_name = "nr_level"});
    ASSERT_NE(reply, nullptr);
    EXPECT_FLOAT_EQ(reply->param()->value(), 55.0f);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfGet] handle: 0X3\n"));
    const auto* failed = call({.name = "QevIntfGet", .handle = 3, .param_name = "no_such"});
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->result(), 3u);
    ASSERT_NE(failed->param(), nullptr);
    EXPECT_EQ(failed->param()->name()->str(), "no_such");
    EXPECT_EQ(failed->param()->value(), 0.0f);
}

TEST_F(Dispatcher, SetSerializedPassesExactlySizeBytesAndNoneForSizeZero)
{
    EXPECT_CALL(manager_, SetSerialized(5u, _))
        .WillRepeatedly(Invoke([](uint32_t, const datapath::QevSerializedParam* param) {
            if (std::strcmp(param->name, "win_reg") == 0) {
                EXPECT_EQ(param->size, 3u);
                EXPECT_EQ(std::vector<uint8_t>(param->data, param->data + 3), (std::vector<uint8_t>{1, 2, 3}));
            } else {
                EXPECT_EQ(param->size, 0u);
                EXPECT_EQ(param->data, nullptr);
            }
            return 0u;
        }));
    const auto* reply = call({.name = "QevIntfSetSerialized",
                              .handle = 5,
                              .with_serialized = true,
                              .serialized_name = "win_reg",
                              .serialized_size = 3,
                              .serialized_data = std::vector<uint8_t>{1, 2, 3, 4, 5}});
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->result(), 0u);
    EXPECT_TRUE(log_.contains("[qev] [QevIntfSetSerialized] handle: 0X5\n"));
    ASSERT_NE(call({.name = "QevIntfSetSerialized",
                    .handle = 5,
                    .with_serialized = true,
                    .serialized_name = "delete_vpnr_bias_file",
                    .serialized_data = std::vector<uint8_t>{1, 2}}),
              nullptr);
}

TEST_F(Dispatcher, SerializedDataShorterThanSizeIsRejectedWithThree)
{
    EXPECT_CALL(manager_, SetSerialized(_, _)).Times(0);
    EXPECT_CALL(manager_, GetSerialized(_, _, _)).Times(0);
    for (const char* name : {"QevIntfSetSerialized", "QevIntfGetSerialized"}) {
        for (const bool with_data : {true, false}) {
            SCOPED_TRACE(std::string(name) + (with_data ? " short data" : " no data"));
            RequestFields fields{.name = name,
                                 .handle = 5,
                                 .with_serialized = true,
                                 .serialized_name = "win_reg",
                                 .serialized_size = 10};
            if (with_data) {
                fields.serialized_data = std::vector<uint8_t>{1, 2, 3};
            }
            const auto* reply = call(fields);
            ASSERT_NE(reply, nullptr);
            EXPECT_EQ(reply->result(), 3u);
        }
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
        .WillOnce(Invoke([&](uint32_t, const datapath::QevSerializedParam* in, datapath::QevSerializedParam* out) {
            EXPECT_STREQ(in->name, "win_reg");
            *out = datapath::QevSerializedParam{name, 4, data};
            return 0u;
        }));
    const auto* reply =
        call({.name = "QevIntfGetSerialized", .handle = 8, .with_serialized = true, .serialized_name = "win_reg"});
    EXPECT_EQ(g_watched_frees.load(), 2);
    g_watched_name = nullptr;
    g_watched_data = nullptr;
    ASSERT_NE(reply, nullptr);
    const auto* out = reply->serialized_out();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->name()->str(), "win_reg");
    EXPECT_EQ(out->size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(out->data()->begin(), out->data()->end()), (std::vector<uint8_t>(bytes, bytes + 4)));
}

TEST_F(Dispatcher, ReplyThatCannotBeWrittenClosesTheConnection)
{
    request_client_.close();
    const auto bytes = build_named_request("QevIntfStart");
    EXPECT_FALSE(dispatch(*service_, bytes.data(), bytes.size()));
}

TEST_F(Dispatcher, RegisteredCallbackForwardsEventsToTheNotificationPipe)
{
    datapath::QevNotifyCallback callback = nullptr;
    void* context = nullptr;
    EXPECT_CALL(manager_, RegisterCallback(_, _, _))
        .WillOnce(
            DoAll(testing::SaveArg<0>(&callback), testing::SaveArg<1>(&context), SetArgPointee<2>(4u), Return(0u)));
    ASSERT_TRUE(service_->register_callback());
    ASSERT_NE(callback, nullptr);
    EXPECT_EQ(context, service_.get());

    service_->add_handle(2);
    const datapath::NotifyEvent dropped{5, 3, "nr_level"};
    callback(&dropped, context);
    const datapath::NotifyEvent forwarded{5, 2, "algo_name"};
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

// Bit-flipped and truncated versions of a valid request: each is rejected or answered, none crashes
// the server or asks for the connection to be closed.
TEST_F(Dispatcher, CorruptedRequestsNeverCrashOrCloseTheConnection)
{
    const auto valid = build_request({.name = "QevIntfGetSerialized",
                                      .handle = 2,
                                      .primary_device = "Mic",
                                      .param_name = "nr_level",
                                      .with_serialized = true,
                                      .serialized_name = "win_reg",
                                      .serialized_size = 4,
                                      .serialized_data = std::vector<uint8_t>{1, 2, 3, 4}});
    uint32_t seed = 12345;
    auto next_random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        auto bytes = valid;
        for (int flip = 1 + static_cast<int>(next_random() % 4); flip > 0; --flip) {
            bytes[next_random() % bytes.size()] ^= static_cast<uint8_t>(1u << (next_random() % 8));
        }
        if (round % 7 == 0) {
            bytes.resize(next_random() % bytes.size());
        }
        ASSERT_TRUE(dispatch(*service_, bytes.data(), bytes.size())) << "round " << round;
    }
    expect_next_reply_is_get_info_after_draining();
}

}  // namespace

}  // namespace qev::rpc
