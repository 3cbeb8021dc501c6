#pragma once

#include <cstddef>
#include <cstdint>

namespace qev::rpc {

class RpcService;

// Handles one received message: verifies it, finds the function by the hash of its name and runs
// its handler. Malformed or unknown requests get no reply. Returns false only when a reply could
// not be written, in which case the connection must be closed.
bool dispatch(RpcService& service, const uint8_t* message, size_t size);

}  // namespace qev::rpc
