#pragma once

#include "app/qev_sw_server.h"

#include <memory>
#include <string>

enum class ServerRole { rpc, session_monitor };

// Only the exact text "session_monitor" selects the session monitor; everything else, the empty
// text included, selects the RPC server.
ServerRole select_role(const std::string& server_type);
