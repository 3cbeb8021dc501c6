#include "client/qev_client.h"
#include "client/rpc_error.h"
#include "fake_pipe_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qev::client {
namespace {

using testing::FakePipeServer;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

Bytes serialized_reply(std::uint32_t size, const Bytes& data)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto name = builder.CreateString("QevIntfGetSerialized");
    const auto out = wire::CreateSerializedParamDirect(builder, "win_reg", size, &data);
    return testing::finish(builder, wire::CreateIpcMessage(builder, name, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, out));
}

TEST(QevClient, LargeReplyArrivesWhole)
{
    Bytes big(300000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i * 31);
    }
    FakePipeServer server(
        [&big](const Bytes&) { return serialized_reply(static_cast<std::uint32_t>(big.size()), big); });
    QevClient client(server.client_options());
    const auto reply = client.get_serialized(2, "win_reg");
    EXPECT_EQ(reply.name, "win_reg");
    EXPECT_EQ(reply.data, big);
}

TEST(QevClient, BadRepliesFailTheCall)
{
    const Bytes start_reply = testing::simple_reply("QevIntfStart", 1);
    const struct {
        std::optional<Bytes> reply;
        std::function<void(QevClient&)> call;
        const char* error;  // then "<function>: not connected", as a lost step closes the pipe
        const char* again;  // or the same error again
    } cases[] = {
        {Bytes{1, 2, 3, 4, 5, 6, 7}, [](QevClient& c) { c.start(1); }, "QevIntfStart: reply is not a valid message",
         "QevIntfStart: not connected"},
        {Bytes(start_reply.begin(), start_reply.begin() + start_reply.size() / 2), [](QevClient& c) { c.start(1); },
         "QevIntfStart: reply is not a valid message", "QevIntfStart: not connected"},
        {testing::simple_reply("QevIntfStop", 0), [](QevClient& c) { c.start(1); },
         "QevIntfStart: reply is for \"QevIntfStop\"", "QevIntfStart: not connected"},
        {std::nullopt, [](QevClient& c) { c.stop(3); }, "QevIntfStop: no reply: ", "QevIntfStop: not connected"},
        {serialized_reply(3, {1, 2}), [](QevClient& c) { c.get_serialized(2, "win_reg"); },
         "QevIntfGetSerialized: reply is not a valid message", "QevIntfGetSerialized: not connected"},
        {testing::simple_reply("QevIntfGetInfo", 0), [](QevClient& c) { c.get_info(); },
         "QevIntfGetInfo: reply carries no info", "QevIntfGetInfo: reply carries no info"},
    };
    for (const auto& c : cases) {
        FakePipeServer server([&c](const Bytes&) { return c.reply; });
        auto options = server.client_options();
        options.reply_timeout = 300ms;
        QevClient client(options);
        for (const char* error : {c.error, c.again}) {
            try {
                c.call(client);
                ADD_FAILURE() << "no error, expected " << error;
            } catch (const RpcError& failure) {
                EXPECT_THAT(failure.what(), ::testing::StartsWith(error));
            }
        }
        EXPECT_EQ(server.requests().size(), std::string_view(c.error) == c.again ? 2u : 1u) << c.error;
    }
}

TEST(QevClient, NotificationsOfEveryPayloadReachTheHandlerInOrderUntilThePipeCloses)
{
    using namespace wire;
    using P = NotificationPayload;
    const struct {
        Bytes bytes;
        const char* delivered;  // "type value text", or nullptr when dropped
    } cases[] = {
        {testing::notification(1, P::HandleEvent, [](auto& b) { return CreateHandleEvent(b, 0x12345678); }),
         "1 305419896 "},
        {testing::notification(0, P::HandleEvent, [](auto& b) { return CreateHandleEvent(b, 1); }), nullptr},
        {testing::notification(2, P::FlagEvent, [](auto& b) { return CreateFlagEvent(b, 200); }), "2 200 "},
        {testing::simple_reply("QevIntfNotify", 0), nullptr},
        {testing::notification(3, P::ValueEvent, [](auto& b) { return CreateValueEvent(b, 77); }), "3 77 "},
        {testing::simple_reply("QevIntfGetInfo", 0), nullptr},
        {Bytes(40, 0xab), nullptr},
        {testing::notification(9, P::NONE, [](auto&) { return flatbuffers::Offset<HandleEvent>(); }), "9 0 "},
    };
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> delivered;  // guarded by mutex
    FakePipeServer server([](const Bytes&) { return testing::simple_reply("QevIntfStart", 4); });
    auto options = server.client_options();
    options.on_event = [&](const Event& event) {
        const std::lock_guard lock(mutex);
        delivered.push_back(std::to_string(event.type) + " " + std::to_string(event.value) + " " + event.text);
        arrived.notify_all();
    };
    QevClient client(options);
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        ASSERT_TRUE(server.notify(c.bytes));
        if (c.delivered) {
            expected.emplace_back(c.delivered);
        }
    }
    std::unique_lock lock(mutex);
    arrived.wait_for(lock, 10s, [&] { return delivered.size() >= expected.size(); });
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(client.dropped_notifications(), std::size(cases) - expected.size());
    lock.unlock();
    server.close_notification_pipe();
    for (int i = 0; i < 500 && client.notifications_running(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(client.notifications_running());
    EXPECT_EQ(client.start(2), 4u);
}

TEST(QevClient, CloseEndsACallThatWaitsForItsReply)
{
    FakePipeServer server([](const Bytes&) { return std::optional<Bytes>(); });
    auto options = server.client_options();
    options.reply_timeout = 1h;  // beyond the test's time-out: only close() can end the call
    QevClient client(options);
    std::thread caller([&] { EXPECT_THROW(client.start(1), RpcError); });
    while (server.requests().empty()) {
        std::this_thread::sleep_for(5ms);
    }
    client.close();
    caller.join();
    EXPECT_FALSE(client.notifications_running());
    EXPECT_THROW(client.start(1), RpcError);
}

}  // namespace
}  // namespace qev::client
