#include "client/qev_client.h"
#include "client/rpc_error.h"
#include "fake_pipe_server.h"
#include "wire_test_messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace qev::client::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

std::optional<Bytes> answer_zero(const Bytes&)
{
    return simple_reply("QevIntfStart", 0);
}

// Runs `work` on its own thread and says whether it finished within `limit`. A hung teardown then fails the
// test instead of stalling the whole run; the stuck thread is left behind on purpose, as it cannot be ended.
template <typename Work>
bool finishes_within(std::chrono::milliseconds limit, Work work)
{
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    std::thread([done, work = std::move(work)]() mutable {
        work();
        done->set_value();
    }).detach();
    return finished.wait_for(limit) == std::future_status::ready;
}

TEST(FakePipeServerTeardown, EndsWhenNobodyConnected)
{
    EXPECT_TRUE(finishes_within(10s, [] { FakePipeServer server(answer_zero); }));
}

// The client may come and go before the serving thread has accepted either pipe, or between the two
// accepts; whichever state the pipes are left in, destroying the server must return.
TEST(FakePipeServerTeardown, EndsAfterAClientCameAndWentAtAnyPoint)
{
    EXPECT_TRUE(finishes_within(60s, [] {
        for (int round = 0; round < 100; ++round) {
            FakePipeServer server(answer_zero);
            QevClient client(server.client_options());
            client.close();
        }
    }));
}

TEST(FakePipeServerTeardown, EndsWhileAClientIsStillConnected)
{
    auto server = std::make_unique<FakePipeServer>(answer_zero);
    auto client = std::make_unique<QevClient>(server->client_options());
    ASSERT_EQ(client->start(1), 0u);
    ASSERT_TRUE(finishes_within(10s, [owned = std::move(server)]() mutable { owned.reset(); }));
    // The server's ends are gone: the next call fails instead of waiting for a reply.
    EXPECT_THROW(client->start(1), RpcError);
    EXPECT_TRUE(finishes_within(10s, [owned = std::move(client)]() mutable { owned.reset(); }));
}

}  // namespace
}  // namespace qev::client::testing
