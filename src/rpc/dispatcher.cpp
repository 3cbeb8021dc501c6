#include "rpc/dispatcher.h"

#include "base/logging.h"
#include "ipc_message_generated.h"
#include "rpc/api_handlers.h"
#include "rpc/fnv_hash.h"
#include "rpc/wire_constants.h"

#include <map>

namespace qev::rpc {

namespace {

namespace function_name = wire::function_name;

const std::map<uint64_t, ApiHandler> kDispatchTable = {
    {fnv1a_hash(function_name::kEnum), &api_handlers::enumerate},
    {fnv1a_hash(function_name::kGetInfo), &api_handlers::get_info},
    {fnv1a_hash(function_name::kCreate), &api_handlers::create},
    {fnv1a_hash(function_name::kDestroy), &api_handlers::destroy},
    {fnv1a_hash(function_name::kConfig), &api_handlers::config},
    {fnv1a_hash(function_name::kStart), &api_handlers::start},
    {fnv1a_hash(function_name::kStop), &api_handlers::stop},
    {fnv1a_hash(function_name::kSet), &api_handlers::set},
    {fnv1a_hash(function_name::kGet), &api_handlers::get},
    {fnv1a_hash(function_name::kGetStatus), &api_handlers::get_status},
    {fnv1a_hash(function_name::kSetSerialized), &api_handlers::set_serialized},
    {fnv1a_hash(function_name::kGetSerialized), &api_handlers::get_serialized},
};

}  // namespace

bool dispatch(RpcService& service, const uint8_t* message, size_t size)
{
    flatbuffers::Verifier verifier(message, size);
    if (message == nullptr || !wire::VerifyIpcMessageBuffer(verifier)) {
        base::log_printf("Ignored a request that is not a valid IpcMessage (%u bytes)\n", static_cast<unsigned>(size));
        return true;
    }
    const auto* request = wire::GetIpcMessage(message);
    const char* name = request->name() != nullptr ? request->name()->c_str() : nullptr;
    base::log_printf("API NAME: %s\n", name != nullptr ? name : "");
    const auto handler = name != nullptr ? kDispatchTable.find(fnv1a_hash(name)) : kDispatchTable.end();
    if (handler == kDispatchTable.end()) {
        base::log_printf("Default...\n");
        return true;
    }
    return handler->second(service, *request);
}

}  // namespace qev::rpc
