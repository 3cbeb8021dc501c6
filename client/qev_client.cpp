#include "client/qev_client.h"

#include "rpc/wire_constants.h"
#include "client/rpc_error.h"

namespace qev::client {

namespace {

namespace fn = wire::function_name;

// A request for `name`; handle 0 is not written, so it also serves functions without a handle.
Request with_handle(const char* name, std::uint32_t handle)
{
    Request request;
    request.name = name;
    request.handle = handle;
    return request;
}

}  // namespace

QevClient::QevClient(ClientOptions options)
    : options_(std::move(options)), request_pipe_(MessagePipe::connect(options_.request_pipe, options_.connect_timeout))
{
    listener_ = std::make_unique<NotificationListener>(
        MessagePipe::connect(options_.notify_pipe, options_.connect_timeout), options_.on_event);
    if (options_.confirm_pairing) {
        get_info();
    }
}

QevClient::~QevClient()
{
    close();
}

void QevClient::close()
{
    request_pipe_.interrupt();
    if (listener_) {
        listener_->stop();
    }
    const std::lock_guard lock(call_mutex_);
    request_pipe_.close();
}

bool QevClient::notifications_running() const
{
    return listener_ && listener_->running();
}

std::uint64_t QevClient::dropped_notifications() const
{
    return listener_ ? listener_->dropped() : 0;
}

void QevClient::fail_and_close(const std::string& why)
{
    // After a lost or foreign reply the request stream is out of step for good.
    request_pipe_.close();
    throw RpcError(why);
}

Reply QevClient::call(const Request& request)
{
    const auto bytes = encode_request(request);
    const std::lock_guard lock(call_mutex_);
    if (!request_pipe_.is_open()) {
        throw RpcError(request.name + ": not connected");
    }
    const auto written = request_pipe_.write(bytes, options_.reply_timeout);
    if (written != MessagePipe::IoStatus::kDone) {
        fail_and_close(request.name + ": request not sent: " + to_string(written));
    }
    const auto message = request_pipe_.read(options_.reply_timeout);
    if (message.status != MessagePipe::IoStatus::kDone) {
        fail_and_close(request.name + ": no reply: " + to_string(message.status));
    }
    auto reply = decode_reply(message.bytes);
    if (!reply) {
        fail_and_close(request.name + ": reply is not a valid message");
    }
    if (reply->name != request.name) {
        fail_and_close(request.name + ": reply is for \"" + reply->name + "\"");
    }
    return std::move(*reply);
}

InfoReply QevClient::get_info()
{
    const Reply reply = call(with_handle(fn::kGetInfo, 0));
    if (!reply.info) {
        throw RpcError(std::string(fn::kGetInfo) + ": reply carries no info");
    }
    return {reply.result, *reply.info};
}

EnumReply QevClient::enumerate(std::uint8_t type)
{
    Request request = with_handle(fn::kEnum, 0);
    request.type = type;
    Reply reply = call(request);
    return {reply.result, reply.enum_count, std::move(reply.names)};
}

CreateReply QevClient::create(const DeviceNames& devices)
{
    Request request = with_handle(fn::kCreate, 0);
    request.config = devices;
    const Reply reply = call(request);
    return {reply.result, reply.handle};
}

std::uint32_t QevClient::destroy(std::uint32_t handle)
{
    return call(with_handle(fn::kDestroy, handle)).result;
}

std::uint32_t QevClient::config(std::uint32_t handle, const DeviceNames& devices)
{
    Request request = with_handle(fn::kConfig, handle);
    request.config = devices;
    return call(request).result;
}

std::uint32_t QevClient::start(std::uint32_t handle)
{
    return call(with_handle(fn::kStart, handle)).result;
}

std::uint32_t QevClient::stop(std::uint32_t handle)
{
    return call(with_handle(fn::kStop, handle)).result;
}

std::uint32_t QevClient::set(std::uint32_t handle, const std::string& name, float value)
{
    Request request = with_handle(fn::kSet, handle);
    request.param = ParamArg{name, value};
    return call(request).result;
}

GetReply QevClient::get(std::uint32_t handle, const std::string& name)
{
    Request request = with_handle(fn::kGet, handle);
    request.param = ParamArg{name, 0.0f};
    Reply reply = call(request);
    return {reply.result, std::move(reply.param_name), reply.param_value};
}

StatusReply QevClient::get_status(std::uint32_t handle)
{
    const Reply reply = call(with_handle(fn::kGetStatus, handle));
    return {reply.result, reply.status};
}

std::uint32_t QevClient::set_serialized(std::uint32_t handle, const std::string& name,
                                        std::span<const std::uint8_t> data)
{
    Request request = with_handle(fn::kSetSerialized, handle);
    request.serialized_in = SerializedArg{name, {data.begin(), data.end()}};
    return call(request).result;
}

SerializedReply QevClient::get_serialized(std::uint32_t handle, const std::string& name,
                                          std::span<const std::uint8_t> data)
{
    Request request = with_handle(fn::kGetSerialized, handle);
    request.serialized_in = SerializedArg{name, {data.begin(), data.end()}};
    Reply reply = call(request);
    return {reply.result, std::move(reply.serialized_name), std::move(reply.serialized_data)};
}

std::optional<std::vector<std::uint8_t>> QevClient::send_raw(std::span<const std::uint8_t> bytes,
                                                             std::chrono::milliseconds wait)
{
    const std::lock_guard lock(call_mutex_);
    if (!request_pipe_.is_open()) {
        throw RpcError("raw request: not connected");
    }
    const auto written = request_pipe_.write(bytes, options_.reply_timeout);
    if (written != MessagePipe::IoStatus::kDone) {
        fail_and_close(std::string("raw request not sent: ") + to_string(written));
    }
    auto message = request_pipe_.read(wait);
    if (message.status == MessagePipe::IoStatus::kTimeout) {
        return std::nullopt;
    }
    if (message.status != MessagePipe::IoStatus::kDone) {
        fail_and_close(std::string("raw request: ") + to_string(message.status));
    }
    return std::move(message.bytes);
}

}  // namespace qev::client
