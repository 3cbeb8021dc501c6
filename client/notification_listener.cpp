#include "client/notification_listener.h"

namespace qev::client {

NotificationListener::NotificationListener(MessagePipe pipe, EventHandler handler)
    : pipe_(std::move(pipe)), handler_(std::move(handler)), thread_([this] { run(); })
{}

NotificationListener::~NotificationListener()
{
    stop();
}

void NotificationListener::stop()
{
    pipe_.interrupt();
    if (thread_.joinable()) {
        thread_.join();
    }
    pipe_.close();
}

void NotificationListener::run()
{
    for (;;) {
        const auto message = pipe_.read(kWaitForever);
        if (message.status != MessagePipe::IoStatus::kDone) {
            break;
        }
        const auto event = decode_notification(message.bytes);
        if (!event) {
            ++dropped_;
            continue;
        }
        if (handler_) {
            handler_(*event);
        }
    }
    running_ = false;
}

}  // namespace qev::client
