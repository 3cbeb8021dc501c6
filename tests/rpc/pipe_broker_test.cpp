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

    PipeNames names_{unique_pipe_name(L"broker_request"), unique_pipe_name(L"broker_notify")};
    std::unique_ptr<PipeBroker> broker_ = std::make_unique<PipeBroker>(names_);
    std::unique_ptr<PipeConnection> request_;
    std::unique_ptr<PipeConnection> notify_;
};

// A notification connection waits for its request connection; of two request connections the later
// wins and the earlier is closed at once.
TEST_F(Broker, PairsNotificationFirstAndALaterRequestDisplacesTheEarlier)
{
    PipeClientEnd notify_client;
    PipeClientEnd first_request;
    ASSERT_TRUE(notify_client.open(names_.notify_pipe));
    ASSERT_TRUE(wait_pending(1));
    ASSERT_TRUE(first_request.open(names_.request_pipe));
    ASSERT_TRUE(take_pair_within(5000));
    EXPECT_EQ(request_->client_process_id(), GetCurrentProcessId());
    EXPECT_EQ(std::pair(request_->name(), notify_->name()), std::pair(names_.request_pipe, names_.notify_pipe));
    EXPECT_TRUE(reaches(*notify_, notify_client, 0x52));
    EXPECT_EQ(broker_->pending_count(), 0u);

    PipeClientEnd displaced;
    PipeClientEnd request_client;
    PipeClientEnd second_notify;
    ASSERT_TRUE(displaced.open(names_.request_pipe));
    ASSERT_TRUE(wait_pending(1));
    ASSERT_TRUE(request_client.open(names_.request_pipe));
    EXPECT_TRUE(displaced.wait_closed()) << "the displaced connection stays open";
    ASSERT_TRUE(second_notify.open(names_.notify_pipe));
    ASSERT_TRUE(take_pair_within(5000));
    EXPECT_TRUE(reaches(*request_, request_client, 0x61));
    EXPECT_FALSE(request_client.wait_closed(100));
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
    broker_->stop();
    ASSERT_EQ(taken.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(taken.get());
    broker_.reset();
    EXPECT_TRUE(idle_request.wait_closed());
}

}  // namespace

}  // namespace qev::rpc
