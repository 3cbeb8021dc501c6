#pragma once

#include "client/message_pipe.h"
#include "client/notification_listener.h"
#include "client/reply_decoder.h"
#include "client/request_encoder.h"
#include "rpc/wire_constants.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qev::client {

struct ClientOptions {
    std::wstring request_pipe = wire::kRequestPipe;
    std::wstring notify_pipe = wire::kNotifyPipe;
    std::chrono::milliseconds connect_timeout{5000};
    std::chrono::milliseconds reply_timeout{10000};
    // Called on the notification thread for every event; must not throw or call close().
    EventHandler on_event;
    // Waits for the server to pair the two pipes (a QevIntfGetInfo round trip) before the constructor
    // returns. Needed when one process opens several connections: the server pairs by process id, so
    // the next connection must not start before this one is paired.
    bool confirm_pairing = true;
};

struct InfoReply {
    std::uint32_t result = 0;
    std::array<std::uint32_t, 4> info{};
};

struct EnumReply {
    std::uint32_t result = 0;
    std::uint32_t count = 0;
    std::vector<std::string> names;
};

struct CreateReply {
    std::uint32_t result = 0;
    std::uint32_t handle = 0;
};

struct GetReply {
    std::uint32_t result = 0;
    std::string name;
    float value = 0.0f;
};

struct StatusReply {
    std::uint32_t result = 0;
    std::uint8_t status = 0;
};

struct SerializedReply {
    std::uint32_t result = 0;
    std::string name;
    std::vector<std::uint8_t> data;
};

// One client of the server: the request and notification pipes opened by this process as a pair. Calls
// may come from several threads; each request and its reply hold the request pipe alone. Calls return the
// server's result code; transport and protocol failures throw RpcError.
class QevClient {
public:
    explicit QevClient(ClientOptions options = {});
    ~QevClient();

    QevClient(const QevClient&) = delete;
    QevClient& operator=(const QevClient&) = delete;

    InfoReply get_info();
    EnumReply enumerate(std::uint8_t type);
    CreateReply create(const DeviceNames& devices);
    std::uint32_t destroy(std::uint32_t handle);
    std::uint32_t config(std::uint32_t handle, const DeviceNames& devices);
    std::uint32_t start(std::uint32_t handle);
    std::uint32_t stop(std::uint32_t handle);
    std::uint32_t set(std::uint32_t handle, const std::string& name, float value);
    GetReply get(std::uint32_t handle, const std::string& name);
    StatusReply get_status(std::uint32_t handle);
    std::uint32_t set_serialized(std::uint32_t handle, const std::string& name, std::span<const std::uint8_t> data);
    SerializedReply get_serialized(std::uint32_t handle, const std::string& name,
                                   std::span<const std::uint8_t> data = {});

    // Sends any bytes as one request and waits up to `wait` for one reply message, which is returned
    // unverified. For requests that are malformed on purpose.
    std::optional<std::vector<std::uint8_t>> send_raw(std::span<const std::uint8_t> bytes,
                                                      std::chrono::milliseconds wait);

    // Ends the notification thread and closes both pipes; later calls throw. Never blocks for long.
    void close();
    bool notifications_running() const;
    std::uint64_t dropped_notifications() const;

private:
    Reply call(const Request& request);
    void fail_and_close(const std::string& why);

    ClientOptions options_;
    std::mutex call_mutex_;
    MessagePipe request_pipe_;
    std::unique_ptr<NotificationListener> listener_;
};

}  // namespace qev::client
