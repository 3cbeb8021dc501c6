#pragma once

#include <memory>

namespace qev::rpc {

class RpcService;

// Receives and dispatches the client's requests one at a time until its request pipe fails, a reply
// cannot be written or the service is cancelled; then closes both of the service's connections.
void run_read_loop(std::shared_ptr<RpcService> service);

}  // namespace qev::rpc
