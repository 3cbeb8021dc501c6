#include "session/session_monitor_server.h"

#include "base/logging.h"

bool SessionMonitorServer::start()
{
    qev::base::log_printf("[session] the session monitor role is not available in this build\n");
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
