#include "app/server_role.h"

ServerRole select_role(const std::string& server_type)
{
    return server_type == "session_monitor" ? ServerRole::session_monitor : ServerRole::rpc;
}
