#include "rpc/rpc_server.h"

#include "rpc/command_channel.h"

#include "base/logging.h"
#include "rpc/pipe_broker.h"
#include "rpc/read_loop.h"
#include "rpc/reply_sender.h"
#include "rpc/rpc_service.h"
#include "rpc/thread_stack_trim.h"

#include <exception>
#include <system_error>
#include <utility>

namespace qev::rpc {

RpcServer::RpcServer(ManagerSource manager) : RpcServer(std::move(manager), PipeNames{})
{}

RpcServer::RpcServer(ManagerSource manager, PipeNames names)
    : manager_source_(std::move(manager)), names_(std::move(names)),
      commands_(std::make_unique<CommandChannel>(names_.command_pipe,
                                                 [this](const datapath::NotifyEvent& event) { broadcast(event); }))
{}

RpcServer::RpcServer(datapath::DatapathManagerInterface& manager, PipeNames names)
    : RpcServer([&manager]() -> datapath::DatapathManagerInterface& { return manager; }, std::move(names))
{}

RpcServer::~RpcServer()
{
    stop();
    wait();
}

bool RpcServer::start()
{
    // Already serving: a second start would replace (and so give up) our own mutex handle.
    if (accept_thread_.joinable()) {
        return false;
    }
    if (!instance_lock_.acquire(names_.instance_mutex)) {
        return false;
    }
    manager_ = &manager_source_();
    try {
        broker_ = PipeBroker::instance(names_);
    } catch (const std::system_error& error) {
        base::log_printf("rpc server: cannot start the pipe broker: %s\n", error.what());
        instance_lock_.release();
        return false;
    }
    stop_ = false;
    accept_thread_ = std::thread(&RpcServer::accept_loop, this, broker_);
    commands_->start();
    return true;
}

bool RpcServer::stop()
{
    stop_ = true;
    PipeBroker::shutdown(broker_);
    commands_->stop();
    cancel_all_services();
    return true;
}

bool RpcServer::wait()
{
    if (accept_thread_.joinable()) {
        accept_thread_.join();
    }
    commands_->wait();
    read_loops_.wait_all();
    broker_.reset();
    instance_lock_.release();
    return true;
}

void RpcServer::accept_loop(std::shared_ptr<PipeBroker> broker)
{
    while (!stop_) {
        std::unique_ptr<PipeConnection> request;
        std::unique_ptr<PipeConnection> notification;
        if (!broker->take_pair(request, notification)) {
            return;
        }
        serve(std::move(request), std::move(notification));
    }
}

void RpcServer::serve(std::unique_ptr<PipeConnection> request, std::unique_ptr<PipeConnection> notification)
{
    try {
        auto service = std::make_shared<RpcService>(*manager_, std::move(request), std::move(notification));
        service->register_callback();
        base::log_printf("Connection was successful.\n");
        adopt_service(service);
        // Without its thread the client is dropped: its service goes with the last reference here.
        read_loops_.start([service = std::move(service)]() mutable {
            // A client mostly waits; its thread should not hold a stack it never uses.
            release_unused_stack_pages();
            run_read_loop(std::move(service));
        });
    } catch (const std::exception& failure) {
        base::log_printf("Client dropped: %s\n", failure.what());
    }
}

void RpcServer::adopt_service(std::shared_ptr<RpcService> service)
{
    const std::lock_guard lock(services_mutex_);
    // Forget clients that have gone, so the list does not grow with every connection ever made.
    std::erase_if(services_, [](const std::weak_ptr<RpcService>& weak) { return weak.expired(); });
    services_.push_back(service);
    // stop() may have cancelled the list just before this service joined it.
    if (stop_) {
        service->cancel();
    }
}

std::vector<std::shared_ptr<RpcService>> RpcServer::live_services()
{
    std::vector<std::shared_ptr<RpcService>> live;
    const std::lock_guard lock(services_mutex_);
    for (auto it = services_.begin(); it != services_.end();) {
        if (auto service = it->lock()) {
            live.push_back(std::move(service));
            ++it;
        } else {
            it = services_.erase(it);
        }
    }
    return live;
}

void RpcServer::cancel_all_services()
{
    for (const auto& service : live_services()) {
        service->cancel();
    }
}

void RpcServer::broadcast(const datapath::NotifyEvent& event)
{
    // The list's lock is not held while notifying.
    for (const auto& service : live_services()) {
        notify(*service, event);
    }
}

}  // namespace qev::rpc
