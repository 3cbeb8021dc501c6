#include "session/session_monitor_server.h"

#include "base/event.h"
#include "base/logging.h"
#include "rpc/cmd_packet.h"
#include "rpc/wire_constants.h"

namespace qev::session {

SessionMonitorServer::SessionMonitorServer()
    : stopEvent_(base::create_event(base::EventReset::manual)), filter_(SessionActivateFilter::get_instance())
{}

SessionMonitorServer::~SessionMonitorServer()
{
    // A server started and never waited for still ends its thread before its members go.
    if (!threads_.empty()) {
        stop();
        wait();
    }
}

bool SessionMonitorServer::start()
{
    filter_->start_sequence();
    threads_.emplace_back([this] { monitor_thread(); });
    return true;
}

bool SessionMonitorServer::stop()
{
    stopFlag_ = true;
    SetEvent(stopEvent_.get());
    wake_monitor();
    // Not under mutex_: the filter's worker may be in on_activation, waiting for it.
    filter_->stop();
    return true;
}

bool SessionMonitorServer::wait()
{
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
    return true;
}

void SessionMonitorServer::monitor_thread()
{
    while (!stopFlag_) {
        serve_connection();
    }
    base::log_printf("session monitor thread terminated\n");
}

void SessionMonitorServer::serve_connection()
{
    auto client = std::make_shared<rpc::CmdService>(wire::kCommandPipe);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        client_ = client;
        reconnectRequested_ = false;
    }
    if (client->open_client(stopEvent_.get())) {
        base::log_printf("connect command channel ok\n");
        listenerId_ = filter_->add_listener(&SessionMonitorServer::on_activation, this);
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return reconnectRequested_ || stopFlag_; });
        }
        filter_->remove_listener(listenerId_);
    } else if (!stopFlag_) {
        base::log_printf("connect command channel fail\n");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    client_.reset();
}

void SessionMonitorServer::wake_monitor()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reconnectRequested_ = true;
    }
    wake_.notify_all();
}

// On the filter's worker, with the filter's listeners lock held.
void SessionMonitorServer::on_activation(const std::wstring& endpointId, const std::uint32_t* kind, bool activated,
                                         void* context)
{
    auto* server = static_cast<SessionMonitorServer*>(context);
    std::shared_ptr<rpc::CmdService> client;
    {
        std::lock_guard<std::mutex> lock(server->mutex_);
        client = server->client_;
    }
    const rpc::CmdPacket packet{L"session_activation",
                                {endpointId, *kind == 0 ? L"capture" : L"render", activated ? L"true" : L"false"}};
    if (!client || !client->send(packet)) {
        base::log_printf("connection lost, re-trigger connect\n");
        server->wake_monitor();
    }
}

}  // namespace qev::session
