#include "rpc/write_message.h"

#include "debug_output_capture.h"
#include "mock_datapath_manager.h"
#include "pipe_client_end.h"
#include "rpc/pipe_connection.h"
#include "rpc/reply_sender.h"
#include "rpc/rpc_service.h"
#include "base/unique_handle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace qev::rpc {

namespace {

// A connected server end and a client end that never reads (whole replies are checked by the dispatcher tests).
class WriteMessage : public testing::Test {
protected:
    void SetUp() override
    {
        name_ = unique_pipe_name(L"write");
        server_ = std::make_unique<PipeConnection>(name_);
        ASSERT_TRUE(server_->create_instance());
        client_.reset(CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(client_.valid());
        DWORD mode = PIPE_READMODE_MESSAGE;
        ASSERT_TRUE(SetNamedPipeHandleState(client_.get(), &mode, nullptr, nullptr));
        ASSERT_TRUE(server_->connect(nullptr));
    }

    std::wstring name_;
    std::unique_ptr<PipeConnection> server_;
    base::UniqueFileHandle client_;
};

TEST_F(WriteMessage, GoneClientOrClosedConnectionGetsNothing)
{
    client_.reset();
    const uint8_t byte = 7;
    EXPECT_FALSE(write_message(*server_, &byte, 1));
    EXPECT_FALSE(server_->probe());
    server_->close();
    EXPECT_FALSE(write_message(*server_, &byte, 1));
}

TEST_F(WriteMessage, CancelledConnectionFailsAtOnce)
{
    server_->cancel();
    const std::vector<uint8_t> bytes(256 * 1024, 1);
    const auto started = std::chrono::steady_clock::now();
    // Either refused at once or taken whole by the pipe; never a wait for the client.
    write_message(*server_, bytes.data(), static_cast<uint32_t>(bytes.size()));
    write_message(*server_, bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST_F(WriteMessage, NotificationToAClientThatNeverReadsIsDropped)
{
    testing::NiceMock<MockDatapathManager> manager;
    auto notification = std::move(server_);
    RpcService service(manager, std::make_unique<PipeConnection>(L"unused"), std::move(notification));
    const std::string text(60 * 1024, 'x');
    const datapath::NotifyEvent event{5, 1, text.c_str()};
    bool dropped = false;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 64 && !dropped; ++i) {
        dropped = !notify(service, event);
    }
    EXPECT_TRUE(dropped) << "4 MiB of notifications were all taken by a client that reads nothing";
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(service.notification_connection().is_open()) << "a slow client keeps its connection";
}

}  // namespace

}  // namespace qev::rpc
