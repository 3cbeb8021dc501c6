#include "rpc/command_channel.h"

#include "base/com_init.h"
#include "base/event.h"
#include "base/logging.h"
#include "base/utf8.h"
#include "rpc/cmd_service.h"
#include "rpc/wire_constants.h"

namespace qev::rpc {

namespace {

constexpr DWORD kIgnoredCommandPauseMs = 100;
constexpr DWORD kRetryPauseMs = 100;
constexpr wchar_t kSessionActivation[] = L"session_activation";

bool well_formed(const CmdPacket* packet)
{
    return packet != nullptr && packet->name == kSessionActivation && packet->args.size() == 3;
}

}  // namespace

CommandChannel::CommandChannel(std::wstring pipe_name, Broadcast broadcast)
    : pipe_name_(std::move(pipe_name)), broadcast_(std::move(broadcast)),
      stop_event_(base::create_event(base::EventReset::manual))
{}

CommandChannel::~CommandChannel()
{
    stop();
    wait();
}

void CommandChannel::start()
{
    if (command_thread_.joinable()) {
        return;
    }
    ResetEvent(stop_event_.get());
    command_thread_ = std::thread(&CommandChannel::command_loop, this);
}

void CommandChannel::stop()
{
    SetEvent(stop_event_.get());
    cancel_services();
}

void CommandChannel::wait()
{
    if (command_thread_.joinable()) {
        command_thread_.join();
    }
    std::vector<HandlerThread> handlers;
    {
        const std::lock_guard lock(services_mutex_);
        handlers.swap(handlers_);
        services_.clear();
    }
    for (auto& handler : handlers) {
        handler.thread.join();
    }
}

bool CommandChannel::stopping() const
{
    return WaitForSingleObject(stop_event_.get(), 0) == WAIT_OBJECT_0;
}

void CommandChannel::command_loop()
{
    while (!stopping()) {
        auto service = std::make_shared<CmdService>(pipe_name_);
        if (!service->open_server(stop_event_.get())) {
            // Not at full speed when instances cannot be created at all.
            WaitForSingleObject(stop_event_.get(), kRetryPauseMs);
            continue;
        }
        base::log_printf("connect command channel ok\n");
        start_handler(std::move(service));
    }
}

void CommandChannel::start_handler(std::shared_ptr<CmdService> service)
{
    join_finished_handlers();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const std::lock_guard lock(services_mutex_);
    services_.push_back(service);
    // stop() may have cancelled the list just before this service joined it.
    if (stopping()) {
        service->cancel();
    }
    std::thread thread([this, service = std::move(service), finished]() mutable {
        handle_commands(*service);
        // Closes the pipe: the session monitor finds the channel down and reconnects.
        service.reset();
        *finished = true;
    });
    handlers_.push_back(HandlerThread{std::move(thread), std::move(finished)});
}

void CommandChannel::handle_commands(CmdService& service)
{
    // The holders reach the endpoints through COM.
    const base::ComInit com(COINIT_MULTITHREADED);
    std::shared_ptr<CmdPacket> packet;
    while (!stopping() && service.receive(&packet)) {
        if (!well_formed(packet.get())) {
            WaitForSingleObject(stop_event_.get(), kIgnoredCommandPauseMs);
            continue;
        }
        handle(*packet);
    }
}

void CommandChannel::handle(const CmdPacket& packet)
{
    const std::wstring& endpoint_id = packet.args[0];
    const bool capture = packet.args[1] == L"capture";
    const bool active = packet.args[2] == L"true";
    // A deactivation of an endpoint never activated is ignored; the connection stays open.
    if (!controls_.switch_filters(endpoint_id, capture, active)) {
        return;
    }
    const std::string text = base::utf8_from_wide(endpoint_id);
    datapath::NotifyEvent event;
    event.type = wire::kEventSessionActivation;
    event.value = active ? 1 : 0;
    event.text = text.c_str();
    broadcast_(event);
}

void CommandChannel::join_finished_handlers()
{
    const std::lock_guard lock(services_mutex_);
    std::erase_if(services_, [](const std::weak_ptr<CmdService>& weak) { return weak.expired(); });
    for (auto it = handlers_.begin(); it != handlers_.end();) {
        if (*it->finished) {
            it->thread.join();
            it = handlers_.erase(it);
        } else {
            ++it;
        }
    }
}

void CommandChannel::cancel_services()
{
    const std::lock_guard lock(services_mutex_);
    for (const auto& weak : services_) {
        if (const auto service = weak.lock()) {
            service->cancel();
        }
    }
}

}  // namespace qev::rpc
