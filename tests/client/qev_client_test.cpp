#include "client/qev_client.h"
#include "client/rpc_error.h"
#include "fake_pipe_server.h"
#include "wire_test_messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qev::client {
namespace {

using testing::FakePipeServer;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const wire::IpcMessage* request_of(const Bytes& bytes)
{
    flatbuffers::Verifier verifier(bytes.data(), bytes.size());
    return wire::VerifyIpcMessageBuffer(verifier) ? wire::GetIpcMessage(bytes.data()) : nullptr;
}

// Echoes the request's name and handle and reports the handle times two as the result.
std::optional<Bytes> echo_handle(const Bytes& request)
{
    const auto* message = request_of(request);
    if (!message || !message->name()) {
        return std::nullopt;
    }
    return testing::simple_reply(message->name()->str(), message->handle() * 2, message->handle());
}

template <class Duration>
auto elapsed_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - start);
}

class EventLog {
public:
    void add(const Event& event)
    {
        const std::lock_guard lock(mutex_);
        events_.push_back(event);
        cv_.notify_all();
    }
    bool wait_for_count(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, 5s, [&] { return events_.size() >= count; });
    }
    std::vector<Event> events() const
    {
        const std::lock_guard lock(mutex_);
        return events_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Event> events_;
};

TEST(QevClientCalls, TypedCallsSendTheirFieldsAndReturnTheResult)
{
    FakePipeServer server(echo_handle);
    {
        QevClient client(server.client_options());
        EXPECT_EQ(client.start(4), 8u);
        EXPECT_EQ(client.set(5, "nr_level", 60.0f), 10u);
        EXPECT_EQ(client.destroy(1), 2u);
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(request_of(requests[0])->name()->str(), "QevIntfStart");
    EXPECT_EQ(request_of(requests[0])->handle(), 4u);
    const auto* set = request_of(requests[1]);
    EXPECT_EQ(set->name()->str(), "QevIntfSet");
    ASSERT_NE(set->param(), nullptr);
    EXPECT_EQ(set->param()->name()->str(), "nr_level");
    EXPECT_FLOAT_EQ(set->param()->value(), 60.0f);
    EXPECT_EQ(request_of(requests[2])->name()->str(), "QevIntfDestroy");
}

TEST(QevClientCalls, GetInfoReturnsTheFourValues)
{
    FakePipeServer server([](const Bytes& request) -> std::optional<Bytes> {
        return testing::info_reply(request_of(request)->name()->str(), 1, 601, 2777, 0);
    });
    QevClient client(server.client_options());
    const auto info = client.get_info();
    EXPECT_EQ(info.result, 0u);
    EXPECT_EQ(info.info, (std::array<std::uint32_t, 4>{1, 601, 2777, 0}));
}

TEST(QevClientCalls, LargeReplyArrivesWhole)
{
    Bytes big(300000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i * 31);
    }
    FakePipeServer server([&big](const Bytes&) -> std::optional<Bytes> {
        flatbuffers::FlatBufferBuilder builder;
        const auto name = builder.CreateString("QevIntfGetSerialized");
        const auto out =
            wire::CreateSerializedParamDirect(builder, "win_reg", static_cast<std::uint32_t>(big.size()), &big);
        return testing::finish(builder, wire::CreateIpcMessage(builder, name, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, out));
    });
    QevClient client(server.client_options());
    const auto reply = client.get_serialized(2, "win_reg");
    EXPECT_EQ(reply.name, "win_reg");
    EXPECT_EQ(reply.data, big);
}

TEST(QevClientCalls, ConcurrentCallersEachGetTheirOwnReply)
{
    FakePipeServer server(echo_handle);
    QevClient client(server.client_options());
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (std::uint32_t t = 1; t <= 4; ++t) {
        threads.emplace_back([&, t] {
            for (std::uint32_t i = 0; i < 50; ++i) {
                const std::uint32_t handle = t * 1000 + i;
                if (client.get_status(handle).result != handle * 2) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(server.requests().size(), 200u);
}

TEST(QevClientFaults, GarbageReplyIsAnErrorAndEndsTheConnection)
{
    FakePipeServer server([](const Bytes&) -> std::optional<Bytes> { return Bytes{1, 2, 3, 4, 5, 6, 7}; });
    QevClient client(server.client_options());
    EXPECT_THROW(client.start(1), RpcError);
    EXPECT_THROW(client.start(1), RpcError);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(QevClientFaults, ReplyForAnotherFunctionIsAnError)
{
    FakePipeServer server([](const Bytes&) -> std::optional<Bytes> { return testing::simple_reply("QevIntfStop", 0); });
    QevClient client(server.client_options());
    EXPECT_THROW(client.start(1), RpcError);
}

TEST(QevClientFaults, GetInfoWithoutInfoIsAnError)
{
    FakePipeServer server(echo_handle);
    QevClient client(server.client_options());
    EXPECT_THROW(client.get_info(), RpcError);
}

TEST(QevClientFaults, MissingReplyTimesOut)
{
    FakePipeServer server([](const Bytes&) -> std::optional<Bytes> { return std::nullopt; });
    auto options = server.client_options();
    options.reply_timeout = 300ms;
    QevClient client(options);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.stop(3), RpcError);
    EXPECT_GE(elapsed_since<std::chrono::milliseconds>(start).count(), 250);
}

TEST(QevClientFaults, ConnectWithoutServerFailsWithinTheTimeout)
{
    ClientOptions options;
    options.request_pipe = L"\\\\.\\pipe\\qev_client_test_nobody_listens";
    options.notify_pipe = L"\\\\.\\pipe\\qev_client_test_nobody_listens_notify";
    options.connect_timeout = 400ms;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(QevClient client(options), RpcError);
    const auto took = elapsed_since<std::chrono::milliseconds>(start).count();
    EXPECT_GE(took, 350);
    EXPECT_LT(took, 5000);
}

TEST(QevClientRaw, SendRawReturnsTheReplyOrNothing)
{
    FakePipeServer server([](const Bytes& request) -> std::optional<Bytes> {
        if (request.size() == 3) {
            return std::nullopt;
        }
        return Bytes(request.rbegin(), request.rend());
    });
    QevClient client(server.client_options());
    EXPECT_EQ(client.send_raw(Bytes{1, 2, 3}, 200ms), std::nullopt);
    EXPECT_EQ(client.send_raw(Bytes{1, 2, 3, 4}, 2000ms), (Bytes{4, 3, 2, 1}));
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST(QevClientNotifications, EventsReachTheHandlerInOrder)
{
    FakePipeServer server(echo_handle);
    EventLog log;
    auto options = server.client_options();
    options.on_event = [&log](const Event& event) { log.add(event); };
    QevClient client(options);
    ASSERT_TRUE(server.notify(testing::handle_text_notification(1, "nr_level")));
    ASSERT_TRUE(server.notify(testing::handle_text_notification(2, "algo_name")));
    ASSERT_TRUE(log.wait_for_count(2));
    const auto events = log.events();
    EXPECT_EQ(events[0].type, 5);
    EXPECT_EQ(events[0].value, 1u);
    EXPECT_EQ(events[0].text, "nr_level");
    EXPECT_EQ(events[1].value, 2u);
    EXPECT_EQ(events[1].text, "algo_name");
}

TEST(QevClientNotifications, InvalidNotificationIsDroppedAndLaterOnesStillArrive)
{
    FakePipeServer server(echo_handle);
    EventLog log;
    auto options = server.client_options();
    options.on_event = [&log](const Event& event) { log.add(event); };
    QevClient client(options);
    ASSERT_TRUE(server.notify(Bytes{0xde, 0xad, 0xbe, 0xef}));
    ASSERT_TRUE(server.notify(testing::handle_text_notification(3, "nr_level")));
    ASSERT_TRUE(log.wait_for_count(1));
    EXPECT_EQ(log.events().front().value, 3u);
    EXPECT_EQ(client.dropped_notifications(), 1u);
}

TEST(QevClientShutdown, ServerClosingNotificationPipeEndsTheThread)
{
    FakePipeServer server(echo_handle);
    QevClient client(server.client_options());
    EXPECT_TRUE(client.notifications_running());
    server.close_notification_pipe();
    const auto start = std::chrono::steady_clock::now();
    while (client.notifications_running() && elapsed_since<std::chrono::milliseconds>(start) < 5s) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(client.notifications_running());
    EXPECT_EQ(client.start(2), 4u);  // the request pipe is unaffected
}

TEST(QevClientShutdown, CloseWhileCallIsWaitingReturnsPromptly)
{
    FakePipeServer server([](const Bytes&) -> std::optional<Bytes> { return std::nullopt; });
    auto options = server.client_options();
    options.reply_timeout = 60s;
    auto client = std::make_unique<QevClient>(options);
    std::atomic<bool> threw{false};
    std::thread caller([&] {
        try {
            client->start(1);
        } catch (const RpcError&) {
            threw = true;
        }
    });
    while (server.requests().empty()) {
        std::this_thread::sleep_for(5ms);
    }
    const auto start = std::chrono::steady_clock::now();
    client->close();
    caller.join();
    EXPECT_TRUE(threw.load());
    EXPECT_LT(elapsed_since<std::chrono::milliseconds>(start).count(), 5000);
    EXPECT_FALSE(client->notifications_running());
    EXPECT_THROW(client->start(1), RpcError);
    client.reset();
}

}  // namespace
}  // namespace qev::client
