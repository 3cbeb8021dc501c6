#include "rpc/api_handlers.h"

#include "base/logging.h"
#include "ipc_message_generated.h"
#include "rpc/reply_sender.h"
#include "rpc/rpc_service.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qev::rpc {

namespace api_handlers {

namespace {

using wire::IpcMessage;

std::string_view name_of(const IpcMessage& request)
{
    const auto* name = request.name();
    return name != nullptr ? std::string_view(name->data(), name->size()) : std::string_view();
}

// Absent strings read as empty.
const char* text_or_empty(const flatbuffers::String* text)
{
    return text != nullptr ? text->c_str() : "";
}

const char* text_or_null(const flatbuffers::String* text)
{
    return text != nullptr ? text->c_str() : nullptr;
}

datapath::QevConfig config_of(const IpcMessage& request)
{
    datapath::QevConfig config;
    if (const auto* args = request.config()) {
        config.primary_device = text_or_null(args->primary_device());
        config.secondary_device = text_or_null(args->secondary_device());
    }
    return config;
}

const char* param_name_of(const IpcMessage& request)
{
    return request.param() != nullptr ? text_or_empty(request.param()->name()) : "";
}

float param_value_of(const IpcMessage& request)
{
    return request.param() != nullptr ? request.param()->value() : 0.0f;
}

bool reply(RpcService& service, const IpcMessage& request, uint32_t result, const ReplyPayload& payload = {})
{
    return send_reply(service.request_connection(), name_of(request), result, payload);
}

// The request's serialized parameter, with its own copy of the first `size` bytes. False when
// `data` holds fewer bytes than `size` claims.
struct SerializedInput {
    std::vector<uint8_t> bytes;
    datapath::QevSerializedParam param;
};

bool serialized_input_of(const IpcMessage& request, SerializedInput& input)
{
    const auto* serialized = request.serialized_in();
    if (serialized == nullptr) {
        input.param = datapath::QevSerializedParam{"", 0, nullptr};
        return true;
    }
    const uint32_t size = serialized->size();
    const auto* data = serialized->data();
    const uint32_t available = data != nullptr ? data->size() : 0;
    if (available < size) {
        return false;
    }
    if (size != 0) {
        input.bytes.assign(data->data(), data->data() + size);
    }
    input.param =
        datapath::QevSerializedParam{text_or_empty(serialized->name()), size, size != 0 ? input.bytes.data() : nullptr};
    return true;
}

// Frees what the manager allocated for a GetSerialized output.
struct SerializedOutputDeleter {
    void operator()(datapath::QevSerializedParam* out) const
    {
        std::free(const_cast<char*>(out->name));
        std::free(out->data);
    }
};

}  // namespace

bool get_info(RpcService& service, const IpcMessage& request)
{
    datapath::ServerInfo info;
    const uint32_t result = service.manager().GetInfo(&info);
    return reply(service, request, result, info);
}

bool enumerate(RpcService& service, const IpcMessage& request)
{
    base::log_printf("[QevIntfEnum] type: %d\n", static_cast<int>(request.type()));
    std::vector<std::string> names;
    const uint32_t result = service.manager().Enum(request.type(), &names);
    return reply(service, request, result, &names);
}

bool create(RpcService& service, const IpcMessage& request)
{
    const datapath::QevConfig config = config_of(request);
    uint32_t handle = 0;
    const uint32_t result = service.manager().Create(&handle, &config);
    if (result == datapath::kQevOk) {
        service.add_handle(handle);
    }
    return reply(service, request, result, HandleReply{result == datapath::kQevOk ? handle : 0});
}

bool destroy(RpcService& service, const IpcMessage& request)
{
    const uint32_t result = service.manager().Destroy(request.handle(), true);
    if (result == datapath::kQevOk) {
        service.remove_handle(request.handle());
    }
    return reply(service, request, result);
}

bool config(RpcService& service, const IpcMessage& request)
{
    base::log_printf("[QevIntfConfig] handle: %#X\n", request.handle());
    const datapath::QevConfig config = config_of(request);
    return reply(service, request, service.manager().Config(request.handle(), &config));
}

bool start(RpcService& service, const IpcMessage& request)
{
    return reply(service, request, service.manager().Start(request.handle()));
}

bool stop(RpcService& service, const IpcMessage& request)
{
    return reply(service, request, service.manager().Stop(request.handle()));
}

bool set(RpcService& service, const IpcMessage& request)
{
    const datapath::QevParam param{param_name_of(request), param_value_of(request)};
    base::log_printf("[QevIntfSet] handle: %#X, param.name: %s, param.value: %f\n", request.handle(), param.name,
                     static_cast<double>(param.value));
    return reply(service, request, service.manager().Set(request.handle(), &param));
}

bool get(RpcService& service, const IpcMessage& request)
{
    base::log_printf("[QevIntfGet] handle: %#X\n", request.handle());
    datapath::QevParam param{param_name_of(request), 0.0f};
    const uint32_t result = service.manager().Get(request.handle(), &param);
    const float value = result == datapath::kQevOk ? param.value : 0.0f;
    return reply(service, request, result, ParamReply{param_name_of(request), value});
}

bool get_status(RpcService& service, const IpcMessage& request)
{
    uint32_t status = 0;
    const uint32_t result = service.manager().GetStatus(request.handle(), &status);
    return reply(service, request, result, StatusReply{result == datapath::kQevOk ? status : 0});
}

bool set_serialized(RpcService& service, const IpcMessage& request)
{
    base::log_printf("[QevIntfSetSerialized] handle: %#X\n", request.handle());
    SerializedInput input;
    if (!serialized_input_of(request, input)) {
        return reply(service, request, datapath::kQevInvalidArgument);
    }
    return reply(service, request, service.manager().SetSerialized(request.handle(), &input.param));
}

bool get_serialized(RpcService& service, const IpcMessage& request)
{
    base::log_printf("[QevIntfGetSerialized] handle: %#X\n", request.handle());
    SerializedInput input;
    if (!serialized_input_of(request, input)) {
        return reply(service, request, datapath::kQevInvalidArgument, SerializedReply{});
    }
    datapath::QevSerializedParam out;
    const std::unique_ptr<datapath::QevSerializedParam, SerializedOutputDeleter> owned_out(&out);
    const uint32_t result = service.manager().GetSerialized(request.handle(), &input.param, &out);
    return reply(service, request, result, SerializedReply{out.name, out.size, out.data});
}

}  // namespace api_handlers

}  // namespace qev::rpc
