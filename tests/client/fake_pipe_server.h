#pragma once

#include "client/qev_client.h"
#include "base/unique_handle.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace qev::client::testing {

// A stand-in for the server on pipes of unique names: accepts one request and one notification connection,
// answers each request with what the responder returns (nothing = no reply), and sends notifications on
// demand. Lets the client's behaviour be checked against replies the real server would never send.
// All pipe I/O is overlapped and waits on a stop event as well, so the destructor ends the serving thread
// whatever state the client left the pipes in.
class FakePipeServer {
public:
    using Bytes = std::vector<std::uint8_t>;
    using Responder = std::function<std::optional<Bytes>(const Bytes& request)>;

    explicit FakePipeServer(Responder responder);
    ~FakePipeServer();

    FakePipeServer(const FakePipeServer&) = delete;
    FakePipeServer& operator=(const FakePipeServer&) = delete;

    // Options that point a client at this server, with short time-outs and no pairing probe.
    ClientOptions client_options() const;

    // Writes one message on the notification pipe once the client has connected it.
    bool notify(std::span<const std::uint8_t> bytes);
    void close_notification_pipe();
    std::vector<Bytes> requests() const;

private:
    void serve();
    bool wait_connected();

    std::wstring request_name_;
    std::wstring notify_name_;
    Responder responder_;
    base::UniqueKernelHandle stop_event_;
    base::UniqueFileHandle request_pipe_;
    base::UniqueFileHandle notify_pipe_;
    mutable std::mutex mutex_;
    std::condition_variable connected_cv_;
    bool connected_ = false;
    std::vector<Bytes> requests_;
    std::thread thread_;
};

}  // namespace qev::client::testing
