#include "fake_pipe_server.h"

#include <atomic>

namespace qev::client::testing {

namespace {

std::wstring unique_pipe_name(const wchar_t* role)
{
    static std::atomic<unsigned> counter{0};
    return L"\\\\.\\pipe\\qev_client_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(counter++) + L"_" + role;
}

WinHandle create_instance(const std::wstring& name)
{
    return WinHandle(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 1024, 1024, 0,
                                      nullptr));
}

bool accept(const WinHandle& pipe)
{
    return ConnectNamedPipe(pipe.get(), nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
}

// Opens and drops a client end so that a listener blocked in ConnectNamedPipe returns.
void knock(const std::wstring& name)
{
    WinHandle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::optional<std::vector<std::uint8_t>> read_message(const WinHandle& pipe)
{
    std::vector<std::uint8_t> message;
    std::uint8_t chunk[4096];
    for (;;) {
        DWORD got = 0;
        const BOOL ok = ReadFile(pipe.get(), chunk, sizeof(chunk), &got, nullptr);
        if (!ok && GetLastError() != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        message.insert(message.end(), chunk, chunk + got);
        if (ok) {
            return message;
        }
    }
}

bool write_message(const WinHandle& pipe, std::span<const std::uint8_t> bytes)
{
    DWORD written = 0;
    return WriteFile(pipe.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

FakePipeServer::FakePipeServer(Responder responder)
    : request_name_(unique_pipe_name(L"request")),
      notify_name_(unique_pipe_name(L"notify")),
      responder_(std::move(responder)),
      request_pipe_(create_instance(request_name_)),
      notify_pipe_(create_instance(notify_name_)),
      thread_([this] { serve(); })
{
}

FakePipeServer::~FakePipeServer()
{
    {
        std::unique_lock lock(mutex_);
        if (!connected_) {
            gave_up_ = true;
            lock.unlock();
            knock(request_name_);
            knock(notify_name_);
        }
    }
    // A connected client's pipes are closed by the test before this runs, which ends the read.
    DisconnectNamedPipe(request_pipe_.get());
    thread_.join();
}

ClientOptions FakePipeServer::client_options() const
{
    ClientOptions options;
    options.request_pipe = request_name_;
    options.notify_pipe = notify_name_;
    options.connect_timeout = std::chrono::milliseconds(3000);
    options.reply_timeout = std::chrono::milliseconds(3000);
    options.confirm_pairing = false;
    return options;
}

void FakePipeServer::serve()
{
    const bool ok = accept(request_pipe_) && accept(notify_pipe_);
    {
        const std::lock_guard lock(mutex_);
        connected_ = ok && !gave_up_;
    }
    connected_cv_.notify_all();
    if (!ok) {
        return;
    }
    while (auto request = read_message(request_pipe_)) {
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(*request);
        }
        if (const auto reply = responder_(*request)) {
            if (!write_message(request_pipe_, *reply)) {
                return;
            }
        }
    }
}

bool FakePipeServer::wait_connected()
{
    std::unique_lock lock(mutex_);
    return connected_cv_.wait_for(lock, std::chrono::seconds(5), [this] { return connected_; });
}

bool FakePipeServer::notify(std::span<const std::uint8_t> bytes)
{
    return wait_connected() && write_message(notify_pipe_, bytes);
}

void FakePipeServer::close_notification_pipe()
{
    wait_connected();
    FlushFileBuffers(notify_pipe_.get());
    DisconnectNamedPipe(notify_pipe_.get());
    notify_pipe_.reset();
}

std::vector<FakePipeServer::Bytes> FakePipeServer::requests() const
{
    const std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace qev::client::testing
