#include "rpc/cmd_service.h"

#include "base/event.h"
#include "rpc/write_message.h"

#include <cstring>
#include <vector>

namespace qev::rpc {

namespace {

constexpr DWORD kClientRetryPauseMs = 500;

// Waits for the pause or for one of the two events; false when an event came first.
bool pause_unless_signalled(HANDLE cancel_event, HANDLE stop_event, DWORD pause_ms)
{
    const HANDLE waits[2] = {cancel_event, stop_event};
    const DWORD count = stop_event != nullptr ? 2 : 1;
    return WaitForMultipleObjects(count, waits, FALSE, pause_ms) == WAIT_TIMEOUT;
}

}  // namespace

CmdService::CmdService(std::wstring pipe_name)
    : pipe_name_(std::move(pipe_name)), cancel_event_(base::create_event(base::EventReset::manual))
{}

std::shared_ptr<PipeConnection> CmdService::connection() const
{
    const std::lock_guard lock(connection_mutex_);
    return connection_;
}

bool CmdService::adopt(std::shared_ptr<PipeConnection> connection)
{
    const std::lock_guard lock(connection_mutex_);
    if (cancelled_) {
        return false;
    }
    connection_ = std::move(connection);
    return true;
}

void CmdService::drop()
{
    const std::lock_guard lock(connection_mutex_);
    connection_.reset();
}

void CmdService::cancel()
{
    const std::lock_guard lock(connection_mutex_);
    cancelled_ = true;
    SetEvent(cancel_event_.get());
    if (connection_) {
        connection_->cancel();
    }
}

bool CmdService::open_server(HANDLE stop_event)
{
    auto connection = std::make_shared<PipeConnection>(pipe_name_);
    if (!connection->create_instance()) {
        if (GetLastError() == ERROR_PIPE_BUSY) {
            WaitNamedPipeW(pipe_name_.c_str(), NMPWAIT_USE_DEFAULT_WAIT);
        }
        return false;
    }
    // Adopted before the wait, so cancel() ends it too.
    if (adopt(connection) && connection->connect(stop_event)) {
        return true;
    }
    // Nothing was written: closing need not wait for a flush.
    connection->cancel();
    drop();
    return false;
}

bool CmdService::open_client(HANDLE stop_event)
{
    while (!try_open_client(stop_event)) {
        if (!pause_unless_signalled(cancel_event_.get(), stop_event, kClientRetryPauseMs)) {
            return false;
        }
    }
    return true;
}

// One attempt; on a busy pipe it waits for an instance and tries again at once.
bool CmdService::try_open_client(HANDLE stop_event)
{
    for (;;) {
        HANDLE pipe = CreateFileW(pipe_name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
            return adopt(std::make_shared<PipeConnection>(pipe_name_, pipe));
        }
        if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeW(pipe_name_.c_str(), NMPWAIT_USE_DEFAULT_WAIT) ||
            !pause_unless_signalled(cancel_event_.get(), stop_event, 0)) {
            return false;
        }
    }
}

bool CmdService::send(const CmdPacket& packet)
{
    const std::shared_ptr<PipeConnection> connection = this->connection();
    if (!connection || !connection->probe()) {
        return false;
    }
    const std::wstring text = packet.to_text();
    if (text.empty()) {
        return true;
    }
    const auto size = static_cast<uint32_t>(text.size() * sizeof(wchar_t));
    if (!write_message(*connection, reinterpret_cast<const uint8_t*>(text.data()), size)) {
        // A broken pipe has closed the connection: the next send waits for a new one.
        if (!connection->is_open()) {
            drop();
        }
        return false;
    }
    return true;
}

bool CmdService::receive(std::shared_ptr<CmdPacket>* packet)
{
    packet->reset();
    const std::shared_ptr<PipeConnection> connection = this->connection();
    if (!connection || !connection->probe()) {
        return false;
    }
    DWORD read = 0;
    // A zero-length read waits for the next message and takes an empty one whole.
    if (connection->read(nullptr, 0, &read)) {
        return true;
    }
    if (GetLastError() != ERROR_MORE_DATA) {
        return false;
    }
    DWORD left = 0;
    if (!connection->bytes_left_in_message(&left)) {
        return false;
    }
    return left == 0 || read_message(*connection, left, packet);
}

bool CmdService::read_message(PipeConnection& connection, DWORD size, std::shared_ptr<CmdPacket>* packet)
{
    std::vector<uint8_t> bytes(size);
    DWORD read = 0;
    if (!connection.read(bytes.data(), size, &read)) {
        return false;
    }
    std::wstring text(read / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    *packet = CmdPacket::parse(text);
    return true;
}

}  // namespace qev::rpc
