#include "echo_pipe_server.h"

namespace qev::bench {

namespace {

constexpr DWORD kBufferSize = 1024;
constexpr DWORD kReceiveSize = 64 * 1024;

}  // namespace

EchoPipeServer::EchoPipeServer(std::wstring name, std::vector<std::uint8_t> reply)
    : name_(std::move(name)), reply_(std::move(reply)), listener_([this] { listen(); })
{}

EchoPipeServer::~EchoPipeServer()
{
    stopping_ = true;
    // A client end that comes and goes wakes the listener from ConnectNamedPipe; repeated because the
    // listener may be between two instances.
    while (!listener_done_) {
        base::UniqueFileHandle(
            CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        Sleep(10);
    }
    listener_.join();
    // Each worker ends when its client has closed its end.
    const std::lock_guard lock(workers_mutex_);
    for (auto& worker : workers_) {
        worker.join();
    }
}

void EchoPipeServer::listen()
{
    accept_clients();
    listener_done_ = true;
}

void EchoPipeServer::accept_clients()
{
    while (!stopping_) {
        base::UniqueFileHandle pipe(CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_DUPLEX,
                                                     PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                                     PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr));
        if (!pipe) {
            return;
        }
        if (!ConnectNamedPipe(pipe.get(), nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) {
            continue;
        }
        if (stopping_) {
            return;
        }
        const std::lock_guard lock(workers_mutex_);
        workers_.emplace_back([this, connection = std::move(pipe)]() mutable { serve(std::move(connection)); });
    }
}

void EchoPipeServer::serve(base::UniqueFileHandle pipe) const
{
    std::vector<std::uint8_t> buffer(kReceiveSize);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(pipe.get(), buffer.data(), kReceiveSize, &got, nullptr)) {
            break;
        }
        DWORD written = 0;
        if (!WriteFile(pipe.get(), reply_.data(), static_cast<DWORD>(reply_.size()), &written, nullptr)) {
            break;
        }
    }
    DisconnectNamedPipe(pipe.get());
}

}  // namespace qev::bench
