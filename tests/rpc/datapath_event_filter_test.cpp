#include "rpc/datapath_event_filter.h"

#include "mock_datapath_manager.h"
#include "rpc/pipe_connection.h"
#include "rpc/rpc_service.h"

#include <gtest/gtest.h>

#include <memory>

namespace qev::rpc {

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
        EXPECT_FALSE(should_forward(datapath::NotifyEvent{type, 0, nullptr}, service_)) << type;
    }
    service_.add_handle(3);
    service_.remove_handle(3);
    EXPECT_FALSE(should_forward(datapath::NotifyEvent{0, 1, nullptr}, service_))
        << "a destroyed handle no longer counts";
    EXPECT_FALSE(should_forward(datapath::NotifyEvent{5, 3, "nr_level"}, service_));
}

TEST_F(NotificationFilter, HandleEventsReachOnlyTheCreatingClientOthersEveryClientWithAHandle)
{
    service_.add_handle(3);
    const struct {
        datapath::NotifyEvent event;
        bool forwarded;
    } cases[] = {{{1, 3, nullptr}, true},     {{5, 3, "nr_level"}, true}, {{1, 4, nullptr}, false},
                 {{5, 4, "nr_level"}, false}, {{0, 99, nullptr}, true},   {{2, 99, nullptr}, true},
                 {{3, 99, nullptr}, true},    {{4, 99, nullptr}, true},   {{7, 99, nullptr}, true}};
    for (const auto& [event, forwarded] : cases) {
        EXPECT_EQ(should_forward(event, service_), forwarded) << event.type << " " << event.value;
    }
}

TEST_F(NotificationFilter, CallbackToleratesNullArguments)
{
    service_.add_handle(3);
    const datapath::NotifyEvent event{0, 1, nullptr};
    on_datapath_event(nullptr, &service_);
    on_datapath_event(&event, nullptr);
    // The notification pipe is closed: nothing can be sent, nothing breaks.
    on_datapath_event(&event, &service_);
    EXPECT_FALSE(service_.notification_connection().is_open());
}

}  // namespace

}  // namespace qev::rpc
