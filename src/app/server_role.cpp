#include "app/server_role.h"

namespace qev::app {

ServerRole select_role(const std::string& server_type)
{
    return server_type == "session_monitor" ? ServerRole::session_monitor : ServerRole::rpc;
}

}  // namespace qev::app
