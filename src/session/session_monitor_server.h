#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_handle.h"
#include "rpc/cmd_service.h"
#include "rpc/qev_sw_server.h"
#include "session/session_activate_filter.h"

namespace qev::session {

// The server of the session monitor role: runs the activation filter and sends each change it
// announces to the RPC server as one "session_activation" command, reconnecting the command pipe
// whenever a send fails.
class SessionMonitorServer : public rpc::QevSwServer {
public:
    SessionMonitorServer();
    ~SessionMonitorServer() override;

    SessionMonitorServer(const SessionMonitorServer&) = delete;
    SessionMonitorServer& operator=(const SessionMonitorServer&) = delete;

    bool start() override;
    bool stop() override;
    bool wait() override;

private:
    static void on_activation(const std::wstring& endpointId, const std::uint32_t* kind, bool activated, void* context);
    void monitor_thread();
    // One connection: connects, listens until a send fails or stop(), disconnects.
    void serve_connection();
    void wake_monitor();

    std::atomic<bool> stopFlag_{false};
    const base::UniqueKernelHandle stopEvent_;  // set by stop(): ends open_client's retries
    std::vector<std::thread> threads_;
    std::shared_ptr<SessionActivateFilter> filter_;
    int listenerId_ = -1;  // monitor thread only

    std::mutex mutex_;
    std::condition_variable wake_;             // with mutex_
    bool reconnectRequested_ = false;          // guarded by mutex_
    std::shared_ptr<rpc::CmdService> client_;  // guarded by mutex_
};

}  // namespace qev::session
