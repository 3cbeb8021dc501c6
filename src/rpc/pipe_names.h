#pragma once

#include <string>

#include "rpc/wire_constants.h"

namespace qev::rpc {

// The named objects of the RPC role. Tests substitute names of their own so that several test
// processes can run side by side.
struct PipeNames {
    std::wstring request_pipe = wire::kRequestPipe;
    std::wstring notify_pipe = wire::kNotifyPipe;
    std::wstring command_pipe = wire::kCommandPipe;
    std::wstring instance_mutex = L"qev_sw_server_multiple_instance_mutex";
};

}  // namespace qev::rpc
