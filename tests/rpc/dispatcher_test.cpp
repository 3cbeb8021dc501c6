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

TEST_F(Dispatcher, UnknownMissingNotifyMalformedAndCorruptedRequestsAreLoggedAndNeverCrash)
{
    const uint8_t garbage[] = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4, 5, 6, 7, 8};
    const auto valid = build_request({.name = "QevIntfGetInfo"});
    const std::vector<std::vector<uint8_t>> requests = {build_request({.name = "QevIntfBogus"}),
                                                        build_request({.handle = 3}),
                                                        build_request({.name = "QevIntfNotify"}),
                                                        std::vector<uint8_t>(garbage, garbage + sizeof(garbage)),
                                                        {},
                                                        // A valid buffer whose name offset is cut off.
                                                        std::vector<uint8_t>(valid.begin(), valid.end() - 8)};
    for (const auto& bytes : requests) {
        EXPECT_TRUE(dispatch(*service_, bytes.data(), bytes.size()));
    }
    EXPECT_TRUE(log_.contains("[qev] API NAME: QevIntfBogus\n"));
    EXPECT_EQ(log_.count("[qev] Default...\n"), 3u);
    EXPECT_EQ(log_.count("[qev] Ignored a request that is not a valid IpcMessage (12 bytes)\n"), 1u);
    EXPECT_EQ(log_.count("[qev] Ignored a request that is not a valid IpcMessage (0 bytes)\n"), 1u);
    EXPECT_FALSE(log_.contains("[qev] API NAME: QevIntfGetInfo\n"));
    expect_next_reply_is_get_info();
    // Bit-flipped and truncated versions of a valid request are rejected or answered, none crashes
    // the server or asks for the connection to be closed.
    const auto fuzzed = build_request({.name = "QevIntfGetSerialized",
                                       .handle = 2,
                                       .primary_device = "Mic",
                                       .param_name = "nr_level",
                                       .serialized_name = "win_reg",
                                       .serialized_size = 4,
                                       .serialized_data = std::vector<uint8_t>{1, 2, 3, 4}});
    uint32_t seed = 12345;
    auto next_random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        auto bytes = fuzzed;
        for (int flip = 1 + static_cast<int>(next_random() % 4); flip > 0; --flip) {
            bytes[next_random() % bytes.size()] ^= static_cast<uint8_t>(1u << (next_random() % 8));
        }
        if (round % 7 == 0) {
            bytes.resize(next_random() % bytes.size());
        }
        ASSERT_TRUE(dispatch(*service_, bytes.data(), bytes.size())) << "round " << round;
        while (request_client_.next_message(0)) {
        }
    }
    expect_next_reply_is_get_info();
}

// Each request reaches its manager function with its arguments, and the reply carries the result and
// the value read; the log line names the call.
TEST_F(Dispatcher, RequestsReachTheManagerAndRepliesCarryResultAndValue)
{
    EXPECT_CALL(manager_, Config(0x2Au, _)).WillOnce(Invoke([](uint32_t, const datapath::QevConfig* config) {
        return std::strcmp(config->primary_device, "") == 0 && std::strcmp(config->secondary_device, "Speakers") == 0
                   ? 1u
                   : 9u;
    }));
    EXPECT_CALL(manager_, Set(3u, _)).WillOnce(Invoke([](uint32_t, const datapath::QevParam* param) {
        return std::strcmp(param->name, "nr_level") == 0 && param->value == 60.0f ? 0u : 9u;
    }));
    EXPECT_CALL(manager_, Get(3u, _)).WillOnce(Invoke([](uint32_t, datapath::QevParam* param) {
        param->value = 55.0f;
        return std::strcmp(param->name, "nr_level") == 0 ? 0u : 3u;
    }));
    EXPECT_CALL(manager_, GetStatus(1u, _)).WillOnce(DoAll(SetArgPointee<1>(0x102u), Return(0u)));
    EXPECT_CALL(manager_, Enum(2u, _))
        .WillOnce(DoAll(SetArgPointee<1>(std::vector<std::string>{"a", "b"}), Return(0u)));
    const struct {
        RequestFields request;
        uint32_t result;
        float value;  // the reply's param value, or its status, or its name count
        const char* line;
    } rows[] = {
        {{.name = "QevIntfConfig", .handle = 0x2A, .primary_device = "", .secondary_device = "Speakers"},
         1,
         0,
         "[qev] [QevIntfConfig] handle: 0X2A\n"},
        {{.name = "QevIntfSet", .handle = 3, .param_name = "nr_level", .param_value = 60.0f},
         0,
         0,
         "[qev] [QevIntfSet] handle: 0X3, param.name: nr_level, param.value: 60.000000\n"},
        {{.name = "QevIntfGet", .handle = 3, .param_name = "nr_level"}, 0, 55.0f, "[qev] [QevIntfGet] handle: 0X3\n"},
        {{.name = "QevIntfGetStatus", .handle = 1}, 0, 2, nullptr},
        {{.name = "QevIntfEnum", .type = 2}, 0, 2, "[qev] [QevIntfEnum] type: 2\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(*row.request.name);
        const auto* reply = call(row.request);
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->name()->str(), *row.request.name);
        EXPECT_EQ(reply->result(), row.result);
        if (reply->param() != nullptr) {
            EXPECT_EQ(reply->param()->name()->str(), *row.request.param_name);
        }
        const float value = reply->param()         ? reply->param()->value()
                            : reply->enum_result() ? static_cast<float>(reply->enum_result()->count())
                                                   : static_cast<float>(reply->status());
        EXPECT_EQ(value, row.value);
        if (row.line != nullptr) {
            EXPECT_TRUE(log_.contains(row.line));
        }
    }
}

TEST_F(Dispatcher, HandlesAreAddedAndRemovedOnlyOnSuccessAndDestroyedWithTheService)
{
    EXPECT_CALL(manager_, Create(_, _))
        .WillOnce(Invoke([](uint32_t* handle, const datapath::QevConfig* config) {
            *handle = config->secondary_device == nullptr ? 4 : 0;
            return std::strcmp(config->primary_device, "Microphone (X)") == 0 ? 0u : 9u;
        }))
        .WillOnce(DoAll(SetArgPointee<0>(9u), Return(1u)));
    ASSERT_NE(call({.name = "QevIntfCreate", .primary_device = "Microphone (X)"}), nullptr);
    const auto* failed = call({.name = "QevIntfCreate"});
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->result(), 1u);
    for (const uint32_t handle : {5u, 4u}) {
        service_->add_handle(handle);
    }
    EXPECT_CALL(manager_, Destroy(4u, true)).WillOnce(Return(0u));
    EXPECT_CALL(manager_, Destroy(5u, true)).WillOnce(Return(3u));
    ASSERT_NE(call({.name = "QevIntfDestroy", .handle = 4}), nullptr);
    const auto* refused = call({.name = "QevIntfDestroy", .handle = 5});
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->result(), 3u);
    EXPECT_EQ(service_->handles(), (std::vector<uint32_t>{5, 4}));
    testing::Mock::VerifyAndClearExpectations(&manager_);

    testing::InSequence order;
    EXPECT_CALL(manager_, Destroy(5u, true)).WillOnce(Return(3u));
    EXPECT_CALL(manager_, Destroy(4u, true)).WillOnce(Return(0u));
    service_.reset();
    EXPECT_TRUE(request_client_.wait_closed());
}

TEST_F(Dispatcher, SerializedDataIsPassedUpToItsSizeAndRejectedWithThreeWhenShort)
{
    EXPECT_CALL(manager_, SetSerialized(5u, _))
        .Times(2)
        .WillRepeatedly(Invoke([](uint32_t, const datapath::QevSerializedParam* param) {
            if (std::strcmp(param->name, "win_reg") == 0) {
                EXPECT_EQ(std::vector<uint8_t>(param->data, param->data + param->size),
                          (std::vector<uint8_t>{1, 2, 3}));
            } else {
                EXPECT_EQ(param->size, 0u);
                EXPECT_EQ(param->data, nullptr);
            }
            return 0u;
        }));
    EXPECT_CALL(manager_, GetSerialized(_, _, _)).Times(0);
    const struct {
        const char* function;
        const char* name;
        uint32_t size;
        std::optional<std::vector<uint8_t>> data;
        uint32_t result;
    } rows[] = {
        {"QevIntfSetSerialized", "win_reg", 3, std::vector<uint8_t>{1, 2, 3, 4, 5}, 0},
        {"QevIntfSetSerialized", "delete_vpnr_bias_file", 0, std::vector<uint8_t>{1, 2}, 0},
        {"QevIntfSetSerialized", "win_reg", 10, std::vector<uint8_t>{1, 2, 3}, 3},
        {"QevIntfSetSerialized", "win_reg", 10, std::nullopt, 3},
        {"QevIntfGetSerialized", "win_reg", 10, std::vector<uint8_t>{1, 2, 3}, 3},
        {"QevIntfGetSerialized", "win_reg", 10, std::nullopt, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.function) + " " + row.name + " " + std::to_string(row.size));
        const auto* reply = call({.name = row.function,
                                  .handle = 5,
                                  .serialized_name = row.name,
                                  .serialized_size = row.size,
                                  .serialized_data = row.data});
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->result(), row.result);
    }
    EXPECT_TRUE(log_.contains("[qev] [QevIntfSetSerialized] handle: 0X5\n"));
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
            *out = datapath::QevSerializedParam{name, 3, data};
            return 0u;
        }));
    const auto* reply = call({.name = "QevIntfGetSerialized", .handle = 8, .serialized_name = "win_reg"});
    EXPECT_EQ(g_watched_frees.load(), 2);
    g_watched_name = nullptr;
    g_watched_data = nullptr;
    ASSERT_NE(reply, nullptr);
    const auto* out = reply->serialized_out();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->name()->str(), "win_reg");
    EXPECT_EQ(out->size(), 3u);
    EXPECT_EQ(std::vector<uint8_t>(out->data()->begin(), out->data()->end()), (std::vector<uint8_t>(bytes, bytes + 3)));
}

TEST_F(Dispatcher, ReplyThatCannotBeWrittenClosesTheConnection)
{
    request_client_.close();
    const auto bytes = build_request({.name = "QevIntfStart"});
    EXPECT_FALSE(dispatch(*service_, bytes.data(), bytes.size()));
}

// Handle events reach only the connection that holds the handle; other datapath events every connection
// with a handle; with no handle, none. Bad callback arguments are ignored.
TEST_F(Dispatcher, RegisteredCallbackForwardsTheEventsThisConnectionMaySee)
{
    datapath::QevNotifyCallback callback = nullptr;
    void* context = nullptr;
    EXPECT_CALL(manager_, RegisterCallback(_, _, _))
        .WillOnce(
            DoAll(testing::SaveArg<0>(&callback), testing::SaveArg<1>(&context), SetArgPointee<2>(4u), Return(0u)));
    ASSERT_TRUE(service_->register_callback());
    ASSERT_NE(callback, nullptr);
    const datapath::NotifyEvent before_any_handle{0, 1, nullptr};
    callback(&before_any_handle, context);
    callback(nullptr, context);
    callback(&before_any_handle, nullptr);
    service_->add_handle(2);
    const struct {
        datapath::NotifyEvent event;
        bool forwarded;
    } rows[] = {{{5, 3, "nr_level"}, false}, {{1, 4, nullptr}, false}, {{5, 2, "algo_name"}, true},
                {{1, 2, nullptr}, true},     {{0, 1, nullptr}, true},  {{2, 99, nullptr}, true},
                {{3, 99, nullptr}, true},    {{7, 99, nullptr}, true}};
    for (const auto& row : rows) {
        callback(&row.event, context);
    }
    for (const auto& row : rows) {
        if (!row.forwarded) {
            continue;
        }
        SCOPED_TRACE(testing::Message() << row.event.type << " " << row.event.value);
        const auto* decoded = notify_client_.next_reply();
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(decoded->name()->str(), "QevIntfNotify");
        EXPECT_EQ(decoded->notification()->type(), static_cast<uint32_t>(row.event.type));
        // Known types carry the payload of tag type + 1, others none.
        EXPECT_EQ(static_cast<int>(decoded->notification()->payload_type()),
                  row.event.type < 6 ? row.event.type + 1 : 0);
        if (const auto* text = decoded->notification()->payload_as_HandleTextEvent()) {
            EXPECT_EQ(text->value(), row.event.value);
            EXPECT_EQ(text->text()->str(), row.event.text);
        }
    }
    EXPECT_FALSE(notify_client_.next_message(200).has_value());

    EXPECT_CALL(manager_, UnregisterCallback(4u)).WillOnce(Return(0u));
    EXPECT_CALL(manager_, Destroy(2u, true)).WillOnce(Return(0u));
    service_.reset();
}

}  // namespace

}  // namespace qev::rpc
