#pragma once

#include <memory>
#include <string>

namespace qev::app {

enum class ServerRole { rpc, session_monitor };

// Only the exact text "session_monitor" selects the session monitor; everything else, the empty
// text included, selects the RPC server.
ServerRole select_role(const std::string& server_type);

}  // namespace qev::app
