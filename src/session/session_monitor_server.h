#pragma once

#include "rpc/qev_sw_server.h"

namespace qev::session {

// The server of the session monitor role. This build does not carry the role yet: start() logs
// that and fails, so the process ends with -1 instead of running some other role.
class SessionMonitorServer : public rpc::QevSwServer {
public:
    SessionMonitorServer() = default;
    ~SessionMonitorServer() override = default;

    SessionMonitorServer(const SessionMonitorServer&) = delete;
    SessionMonitorServer& operator=(const SessionMonitorServer&) = delete;

    bool start() override;
    bool stop() override;
    bool wait() override;
};

}  // namespace qev::session
