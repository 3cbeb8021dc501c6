#include "fake_pipe_server.h"

#include "base/event.h"

#include <atomic>
#include <stdexcept>

namespace qev::client::testing {
namespace {

std::wstring unique_pipe_name(const wchar_t* role)
{
    static std::atomic<unsigned> counter{0};
    return L"\\\\.\\pipe\\qev_client_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(counter++) + L"_" + role;
}

base::UniqueFileHandle create_instance(const std::wstring& name)
{
    base::UniqueFileHandle pipe(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 1024, 1024,
                                                 0, nullptr));
    if (!pipe) {
        throw std::runtime_error("CreateNamedPipeW failed: " + std::to_string(GetLastError()));
    }
    return pipe;
}

// Runs one overlapped operation that `begin` starts and waits until it completes, `stop` is set or `timeout_ms`
// passes; a cancelled operation is still waited out, as `overlapped` and the buffer must outlive it.
template <typename Begin>
bool run_io(const base::UniqueFileHandle& pipe, HANDLE stop, DWORD timeout_ms, Begin begin, DWORD& transferred)
{
    const base::UniqueKernelHandle event = base::create_event(base::EventReset::manual);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    if (!begin(overlapped) && GetLastError() != ERROR_IO_PENDING) {
        return GetLastError() == ERROR_PIPE_CONNECTED;
    }
    const HANDLE waits[2] = {event.get(), stop};
    if (WaitForMultipleObjects(2, waits, FALSE, timeout_ms) != WAIT_OBJECT_0) {
        CancelIoEx(pipe.get(), &overlapped);
    }
    return GetOverlappedResult(pipe.get(), &overlapped, &transferred, TRUE);
}

bool accept(const base::UniqueFileHandle& pipe, HANDLE stop, DWORD timeout_ms)
{
    DWORD unused = 0;
    const auto begin = [&](OVERLAPPED& overlapped) { return ConnectNamedPipe(pipe.get(), &overlapped); };
    return run_io(pipe, stop, timeout_ms, begin, unused);
}

// Requests are small: one read of 64 KiB takes a whole message.
std::optional<std::vector<std::uint8_t>> read_message(const base::UniqueFileHandle& pipe, HANDLE stop)
{
    std::vector<std::uint8_t> message(65536);
    DWORD got = 0;
    const auto begin = [&](OVERLAPPED& overlapped) {
        return ReadFile(pipe.get(), message.data(), static_cast<DWORD>(message.size()), nullptr, &overlapped);
    };
    if (!run_io(pipe, stop, INFINITE, begin, got)) {
        return std::nullopt;
    }
    message.resize(got);
    return message;
}

bool write_message(const base::UniqueFileHandle& pipe, HANDLE stop, std::span<const std::uint8_t> bytes)
{
    DWORD written = 0;
    const auto begin = [&](OVERLAPPED& overlapped) {
        return WriteFile(pipe.get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped);
    };
    return run_io(pipe, stop, 5000, begin, written) && written == bytes.size();
}

}  // namespace

FakePipeServer::FakePipeServer(Responder responder)
    : request_name_(unique_pipe_name(L"request")), notify_name_(unique_pipe_name(L"notify")),
      responder_(std::move(responder)), stop_event_(base::create_event(base::EventReset::manual)),
      request_pipe_(create_instance(request_name_)), notify_pipe_(create_instance(notify_name_)),
      thread_([this] { serve(); })
{}

FakePipeServer::~FakePipeServer()
{
    SetEvent(stop_event_.get());
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
    const HANDLE stop = stop_event_.get();
    if (!accept(request_pipe_, stop, INFINITE)) {
        return;
    }
    while (auto request = read_message(request_pipe_, stop)) {
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(*request);
        }
        const auto reply = responder_(*request);
        if (reply && !write_message(request_pipe_, stop, *reply)) {
            return;
        }
    }
}

// The notification pipe is only ever used by the test's thread: the client has connected it by now.
bool FakePipeServer::notify(std::span<const std::uint8_t> bytes)
{
    return accept(notify_pipe_, stop_event_.get(), 5000) && write_message(notify_pipe_, stop_event_.get(), bytes);
}

void FakePipeServer::close_notification_pipe()
{
    DisconnectNamedPipe(notify_pipe_.get());
    notify_pipe_.reset();
}

std::vector<FakePipeServer::Bytes> FakePipeServer::requests() const
{
    const std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace qev::client::testing
