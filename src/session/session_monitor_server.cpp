#include "session/session_monitor_server.h"

#include "base/logging.h"

namespace qev::session {

bool SessionMonitorServer::start()
{
    base::log_printf("[session] the session monitor role is not available in this build\n");
    return false;
}

bool SessionMonitorServer::stop()
{
    return true;
}

bool SessionMonitorServer::wait()
{
    return true;
}

}  // namespace qev::session
