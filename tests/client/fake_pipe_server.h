#pragma once

#include "client/qev_client.h"
#include "base/unique_handle.h"
#include "ipc_message_generated.h"

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
// answers each request with what the responder returns (nothing = no reply) and sends notifications on
// demand, so the client meets replies the real server never sends. All pipe I/O also waits on a stop event:
// the destructor ends the serving thread whatever state the client left the pipes in.
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
    // Writes one message on the notification pipe (which the client connects on construction).
    bool notify(std::span<const std::uint8_t> bytes);
    void close_notification_pipe();
    std::vector<Bytes> requests() const;

private:
    void serve();

    const std::wstring request_name_;
    const std::wstring notify_name_;
    const Responder responder_;
    base::UniqueKernelHandle stop_event_;
    base::UniqueFileHandle request_pipe_;
    base::UniqueFileHandle notify_pipe_;
    mutable std::mutex mutex_;
    std::vector<Bytes> requests_;  // guarded by mutex_
    std::thread thread_;
};

// Server-side messages built directly with the generated code, independent of the client's decoder.
inline std::vector<std::uint8_t> finish(flatbuffers::FlatBufferBuilder& builder,
                                        flatbuffers::Offset<wire::IpcMessage> root)
{
    builder.Finish(root);
    return {builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()};
}

inline std::vector<std::uint8_t> simple_reply(const std::string& name, std::uint32_t result, std::uint32_t handle = 0)
{
    flatbuffers::FlatBufferBuilder builder;
    const auto text = builder.CreateString(name);
    wire::IpcMessageBuilder message(builder);
    message.add_name(text);
    message.add_result(result);
    message.add_handle(handle);
    return finish(builder, message.Finish());
}

// A notification of `type` whose payload table `make_payload(builder)` builds under the union tag `tag`.
template <typename MakePayload>
std::vector<std::uint8_t> notification(std::uint8_t type, wire::NotificationPayload tag, MakePayload make_payload)
{
    flatbuffers::FlatBufferBuilder builder;
    const flatbuffers::Offset<void> payload = make_payload(builder).Union();
    const auto name = builder.CreateString("QevIntfNotify");
    const auto body = wire::CreateNotification(builder, type, tag, payload);
    return finish(builder, wire::CreateIpcMessage(builder, name, nullptr, 0, 0, 0, 0, 0, body));
}

}  // namespace qev::client::testing
