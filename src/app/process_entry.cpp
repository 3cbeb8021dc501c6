#include "app/process_entry.h"

#include "app/command_line.h"
#include "app/enrollment_thread.h"
#include "app/hidden_session_window.h"
#include "base/com_init.h"
#include "base/logging.h"
#include "app/server_role.h"
#include "datapath/manager/datapath_manager_apo.h"
#include "rpc/rpc_server.h"
#include "session/session_monitor_server.h"

#include <objbase.h>

#include <memory>
#include <vector>

namespace qev::app {

namespace {

using ServerList = std::vector<std::unique_ptr<rpc::QevSwServer>>;

constexpr int kExitFailure = -1;

// Starts the server; on failure logs `failure` and deletes it.
bool start_server(std::unique_ptr<rpc::QevSwServer> server, const char* failure, ServerList& servers)
{
    if (!server->start()) {
        base::log_printf("%s", failure);
        return false;
    }
    servers.push_back(std::move(server));
    return true;
}

bool start_role_server(ServerList& servers)
{
    if (select_role(server_type) == ServerRole::session_monitor) {
        return start_server(std::make_unique<session::SessionMonitorServer>(), "fail to start session monitor server\n",
                            servers);
    }
    // The manager is built only once this process holds the single-instance lock.
    auto manager = []() -> datapath::DatapathManagerInterface& { return datapath::DatapathManagerAPO::instance(); };
    return start_server(std::make_unique<rpc::RpcServer>(manager), "fail to start rpc server\n", servers);
}

void run_message_loop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Every server is stopped and waited for; -1 if any wait failed.
int shut_down(ServerList& servers)
{
    bool all_waited = true;
    for (const auto& server : servers) {
        server->stop();
        all_waited = server->wait() && all_waited;
    }
    servers.clear();
    return all_waited ? 0 : kExitFailure;
}

}  // namespace

int run_process(HINSTANCE instance, const char* command_line)
{
    // Undone when run_process returns, after every server is gone.
    const base::ComInit com(COINIT_MULTITHREADED);
    parse_arguments(command_line);
    ServerList servers;
    if (!start_role_server(servers)) {
        return kExitFailure;
    }
    std::unique_ptr<HiddenSessionWindow> window;
    if (select_role(server_type) == ServerRole::rpc) {
        window = std::make_unique<HiddenSessionWindow>(instance);
        if (!start_enrollment_thread()) {
            shut_down(servers);
            return kExitFailure;
        }
    }
    run_message_loop();
    return shut_down(servers);
}

}  // namespace qev::app
