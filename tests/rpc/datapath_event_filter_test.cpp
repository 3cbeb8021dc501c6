#include "rpc/datapath_event_filter.h"

#include "mock_datapath_manager.h"
#include "rpc/pipe_connection.h"
#include "rpc/rpc_service.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class NotificationFilter : public testing::Test {
protected:
    testing::NiceMock<MockDatapathManager> manager_;
    RpcService service_{manager_, std::make_unique<PipeConnection>(L"unused_request"),
                        std::make_unique<PipeConnection>(L"unused_notify")};
};

TEST_F(NotificationFilter, ClientWithoutHandlesGetsNoDatapathEvents)
{
    for (int type = 0; type <= 6; ++type) {
        EXPECT_FALSE(should_forward(NotifyEvent{type, 0, nullptr}, service_)) << type;
    }
}

TEST_F(NotificationFilter, HandleEventsReachOnlyTheCreatingClient)
{
    service_.add_handle(3);
    EXPECT_TRUE(should_forward(NotifyEvent{1, 3, nullptr}, service_));
    EXPECT_TRUE(should_forward(NotifyEvent{5, 3, "nr_level"}, service_));
    EXPECT_FALSE(should_forward(NotifyEvent{1, 4, nullptr}, service_));
    EXPECT_FALSE(should_forward(NotifyEvent{5, 4, "nr_level"}, service_));
}

TEST_F(NotificationFilter, OtherEventsReachEveryClientHoldingAHandle)
{
    service_.add_handle(3);
    for (const int type : {0, 2, 3, 4, 7}) {
        EXPECT_TRUE(should_forward(NotifyEvent{type, 99, nullptr}, service_)) << type;
    }
}

TEST_F(NotificationFilter, DestroyedHandleNoLongerCounts)
{
    service_.add_handle(3);
    service_.remove_handle(3);
    EXPECT_FALSE(should_forward(NotifyEvent{0, 1, nullptr}, service_));
    EXPECT_FALSE(should_forward(NotifyEvent{5, 3, "nr_level"}, service_));
}

TEST_F(NotificationFilter, CallbackToleratesNullArguments)
{
    service_.add_handle(3);
    const NotifyEvent event{0, 1, nullptr};
    on_datapath_event(nullptr, &service_);
    on_datapath_event(&event, nullptr);
    // The notification pipe is closed: nothing can be sent, nothing breaks.
    on_datapath_event(&event, &service_);
    EXPECT_FALSE(service_.notification_connection().is_open());
}

} // namespace
