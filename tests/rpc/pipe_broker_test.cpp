#include "rpc/pipe_broker.h"

#include "pipe_client_end.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>

namespace qev::rpc {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;

class Broker : public testing::Test {
protected:
    Broker()
    {
        names_.request_pipe = unique_pipe_name(L"broker_request");
        names_.notify_pipe = unique_pipe_name(L"broker_notify");
        broker_ = std::make_unique<PipeBroker>(names_);
    }

    // Waits until the broker holds `count` unpaired entries (or complete pairs).
    bool wait_pending(size_t count, bool complete = false)
    {
        for (int i = 0; i < 500; ++i) {
            if ((complete ? broker_->complete_pair_count() : broker_->pending_count()) == count) {
                return true;
            }
            Sleep(10);
        }
        return false;
    }

    // take_pair with a limit: the broker is stopped if no pair comes.
    bool take_pair_within(DWORD timeout_ms)
    {
        auto taken = std::async(std::launch::async, [this] { return broker_->take_pair(request_, notify_); });
        if (taken.wait_for(std::chrono::milliseconds(timeout_ms)) != std::future_status::ready) {
            broker_->stop();
        }
        return taken.get();
    }

    // A message written through `connection` arrives at `client`.
    static bool reaches(PipeConnection& connection, PipeClientEnd& client, uint8_t marker)
    {
        DWORD written = 0;
        const auto message = connection.write(&marker, 1, &written) ? client.next_message() : std::nullopt;
        return message && *message == std::vector<uint8_t>{marker};
    }

    PipeNames names_;
    std::unique_ptr<PipeBroker> broker_;
    std::unique_ptr<PipeConnection> request_;
    std::unique_ptr<PipeConnection> notify_;
};

TEST_F(Broker, PairsNotificationFirstThenRequest)
{
    PipeClientEnd notify_client;
    PipeClientEnd request_client;
    ASSERT_TRUE(notify_client.open(names_.notify_pipe));
    ASSERT_TRUE(wait_pending(1));
    ASSERT_TRUE(request_client.open(names_.request_pipe));
    ASSERT_TRUE(take_pair_within(5000));
    EXPECT_EQ(request_->client_process_id(), GetCurrentProcessId());
    EXPECT_EQ(request_->name(), names_.request_pipe);
    EXPECT_EQ(notify_->name(), names_.notify_pipe);
    EXPECT_TRUE(reaches(*request_, request_client, 0x51));
    EXPECT_TRUE(reaches(*notify_, notify_client, 0x52));
    EXPECT_EQ(broker_->pending_count(), 0u);
}

TEST_F(Broker, LaterRequestConnectionWinsAndTheEarlierIsClosedAtOnce)
{
    PipeClientEnd first_request;
    PipeClientEnd second_request;
    PipeClientEnd notify_client;
    ASSERT_TRUE(first_request.open(names_.request_pipe));
    ASSERT_TRUE(wait_pending(1));
    ASSERT_TRUE(second_request.open(names_.request_pipe));
    EXPECT_TRUE(first_request.wait_closed()) << "the displaced connection stays open";
    ASSERT_TRUE(notify_client.open(names_.notify_pipe));
    ASSERT_TRUE(take_pair_within(5000));
    EXPECT_TRUE(reaches(*request_, second_request, 0x61));
    EXPECT_FALSE(second_request.wait_closed(100));
}

TEST_F(Broker, SweepClosesOnlyUnpairedConnectionsOfAtLeastMaximumAge)
{
    PipeClientEnd lone_request;
    ASSERT_TRUE(lone_request.open(names_.request_pipe));
    ASSERT_TRUE(wait_pending(1));
    const int64_t now = PipeBroker::now_ticks();
    broker_->sweep(now + 299 * kTicksPerSecond);
    EXPECT_EQ(broker_->pending_count(), 1u);
    EXPECT_FALSE(lone_request.wait_closed(100));
    broker_->sweep(now + 301 * kTicksPerSecond);
    EXPECT_EQ(broker_->pending_count(), 0u);
    EXPECT_TRUE(lone_request.wait_closed());

    PipeClientEnd request_client;
    PipeClientEnd notify_client;
    ASSERT_TRUE(request_client.open(names_.request_pipe));
    ASSERT_TRUE(notify_client.open(names_.notify_pipe));
    ASSERT_TRUE(wait_pending(1, true));
    broker_->sweep(PipeBroker::now_ticks() + 3600 * kTicksPerSecond);
    ASSERT_TRUE(take_pair_within(5000)) << "a complete pair was swept";
    EXPECT_TRUE(reaches(*notify_, notify_client, 0x71));
}

TEST_F(Broker, StopReleasesTakePairAndTheListeners)
{
    auto taken = std::async(std::launch::async, [this] { return broker_->take_pair(request_, notify_); });
    PipeClientEnd idle_request;
    ASSERT_TRUE(idle_request.open(names_.request_pipe));
    ASSERT_TRUE(wait_pending(1));
    const auto started = std::chrono::steady_clock::now();
    broker_->stop();
    ASSERT_EQ(taken.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_FALSE(taken.get());
    broker_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_TRUE(idle_request.wait_closed());
}

TEST(BrokerSingleton, IsSharedUntilShutDownThenRecreated)
{
    PipeNames names;
    names.request_pipe = unique_pipe_name(L"singleton_request");
    names.notify_pipe = unique_pipe_name(L"singleton_notify");
    const auto first = PipeBroker::instance(names);
    EXPECT_EQ(PipeBroker::instance(names), first);
    PipeBroker::shutdown(first);
    const auto second = PipeBroker::instance(names);
    EXPECT_NE(second, first);
    PipeBroker::shutdown(second);
}

}  // namespace

}  // namespace qev::rpc
