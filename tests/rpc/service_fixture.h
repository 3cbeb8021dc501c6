#pragma once

#include "debug_output_capture.h"
#include "mock_datapath_manager.h"
#include "pipe_client_end.h"
#include "request_builder.h"
#include "rpc/dispatcher.h"
#include "rpc/pipe_connection.h"
#include "rpc/rpc_service.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qev::rpc {

// One RpcService over two real in-process pipes, with a mock manager behind it; the test plays the
// client on the other ends.
class ServiceFixture : public testing::Test {
protected:
    void SetUp() override
    {
        const auto request_name = unique_pipe_name(L"request");
        const auto notify_name = unique_pipe_name(L"notify");
        auto request = std::make_unique<PipeConnection>(request_name);
        auto notification = std::make_unique<PipeConnection>(notify_name);
        ASSERT_TRUE(request->create_instance());
        ASSERT_TRUE(notification->create_instance());
        ASSERT_TRUE(request_client_.open(request_name));
        ASSERT_TRUE(notify_client_.open(notify_name));
        ASSERT_TRUE(request->connect(nullptr));
        ASSERT_TRUE(notification->connect(nullptr));
        service_ = std::make_shared<RpcService>(manager_, std::move(request), std::move(notification));
    }

    void TearDown() override { service_.reset(); }

    // Dispatches the request and returns the decoded reply, or null when none arrived.
    const wire::IpcMessage* call(const RequestFields& fields, DWORD timeout_ms = 5000)
    {
        const auto bytes = build_request(fields);
        EXPECT_TRUE(dispatch(*service_, bytes.data(), bytes.size()));
        return request_client_.next_reply(timeout_ms);
    }

    // Proves that nothing was sent for earlier requests: the next reply is the one to this call.
    void expect_next_reply_is_get_info()
    {
        EXPECT_CALL(manager_, GetInfo(testing::_)).WillOnce(testing::Return(0u));
        const auto* reply = call({.name = "QevIntfGetInfo"});
        ASSERT_TRUE(reply != nullptr && reply->name() != nullptr);
        EXPECT_EQ(reply->name()->str(), "QevIntfGetInfo");
    }

    testing::NiceMock<MockDatapathManager> manager_;
    DebugOutputCapture log_;
    PipeClientEnd request_client_;
    PipeClientEnd notify_client_;
    std::shared_ptr<RpcService> service_;
};

}  // namespace qev::rpc
