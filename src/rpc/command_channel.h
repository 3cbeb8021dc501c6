#pragma once

#include "base/unique_handle.h"
#include "datapath/manager/datapath_records.h"
#include "rpc/device_control_map.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qev::rpc {

class CmdService;
struct CmdPacket;

// The RPC server's end of the command pipe: the command thread accepts session monitor
// connections and gives each a handler thread, which switches the reported endpoint's filter flags
// and tells every client. stop() ends the waits of the command thread and of every handler.
class CommandChannel {
public:
    using Broadcast = std::function<void(const datapath::NotifyEvent&)>;

    CommandChannel(std::wstring pipe_name, Broadcast broadcast);
    // Stops and joins every thread.
    ~CommandChannel();

    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;

    void start();
    // Ends every wait; wait() then returns promptly.
    void stop();
    void wait();

private:
    struct HandlerThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void command_loop();
    void start_handler(std::shared_ptr<CmdService> service);
    void handle_commands(CmdService& service);
    void handle(const CmdPacket& packet);
    bool stopping() const;
    void join_finished_handlers();
    void cancel_services();

    const std::wstring pipe_name_;
    const Broadcast broadcast_;
    const base::UniqueKernelHandle stop_event_;
    DeviceControlMap controls_;
    std::thread command_thread_;

    std::mutex services_mutex_;
    std::vector<std::weak_ptr<CmdService>> services_;  // guarded by services_mutex_
    std::vector<HandlerThread> handlers_;              // guarded by services_mutex_
};

}  // namespace qev::rpc
