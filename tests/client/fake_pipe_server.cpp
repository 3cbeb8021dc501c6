#include "fake_pipe_server.h"

#include "base/event.h"

#include <atomic>
#include <stdexcept>

namespace qev::client::testing {

namespace {

constexpr DWORD kWriteTimeoutMs = 5000;

std::wstring unique_pipe_name(const wchar_t* role)
{
    static std::atomic<unsigned> counter{0};
    return L"\\\\.\\pipe\\qev_client_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(counter++) + L"_" + role;
}

base::UniqueFileHandle checked(HANDLE handle, const char* what)
{
    base::UniqueFileHandle owned(handle);
    if (!owned) {
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(GetLastError()));
    }
    return owned;
}

base::UniqueFileHandle create_instance(const std::wstring& name)
{
    return checked(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 1024, 1024, 0, nullptr),
                   "CreateNamedPipeW");
}

enum class Io { kDone, kMoreData, kFailed };

// Waits for a started overlapped operation until it completes, `stop` is set or `timeout_ms` passes; a
// cancelled operation is always waited out because `overlapped` and the buffer must outlive it.
Io complete(const base::UniqueFileHandle& pipe, OVERLAPPED& overlapped, HANDLE stop, DWORD timeout_ms,
            DWORD& transferred)
{
    const HANDLE waits[2] = {overlapped.hEvent, stop};
    if (WaitForMultipleObjects(2, waits, FALSE, timeout_ms) != WAIT_OBJECT_0) {
        CancelIoEx(pipe.get(), &overlapped);
    }
    if (GetOverlappedResult(pipe.get(), &overlapped, &transferred, TRUE)) {
        return Io::kDone;
    }
    return GetLastError() == ERROR_MORE_DATA ? Io::kMoreData : Io::kFailed;
}

// Starts the operation `begin` (a ReadFile/WriteFile/ConnectNamedPipe call on `overlapped`) and waits for it.
template <typename Begin>
Io run_io(const base::UniqueFileHandle& pipe, HANDLE stop, DWORD timeout_ms, DWORD& transferred, Begin begin)
{
    const base::UniqueKernelHandle event = base::create_event(base::EventReset::manual);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    transferred = 0;
    if (begin(overlapped)) {
        return complete(pipe, overlapped, stop, 0, transferred) == Io::kFailed ? Io::kFailed : Io::kDone;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_PIPE_CONNECTED) {
        return Io::kDone;
    }
    if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) {
        return Io::kFailed;
    }
    return complete(pipe, overlapped, stop, timeout_ms, transferred);
}

bool accept(const base::UniqueFileHandle& pipe, HANDLE stop)
{
    DWORD unused = 0;
    return run_io(pipe, stop, INFINITE, unused,
                  [&](OVERLAPPED& overlapped) { return ConnectNamedPipe(pipe.get(), &overlapped); }) == Io::kDone;
}

std::optional<std::vector<std::uint8_t>> read_message(const base::UniqueFileHandle& pipe, HANDLE stop)
{
    std::vector<std::uint8_t> message;
    std::uint8_t chunk[4096];
    for (;;) {
        DWORD got = 0;
        const Io io = run_io(pipe, stop, INFINITE, got, [&](OVERLAPPED& overlapped) {
            return ReadFile(pipe.get(), chunk, sizeof(chunk), nullptr, &overlapped);
        });
        if (io == Io::kFailed) {
            return std::nullopt;
        }
        message.insert(message.end(), chunk, chunk + got);
        if (io == Io::kDone) {
            return message;
        }
    }
}

bool write_message(const base::UniqueFileHandle& pipe, HANDLE stop, std::span<const std::uint8_t> bytes)
{
    DWORD written = 0;
    return run_io(pipe, stop, kWriteTimeoutMs, written,
                  [&](OVERLAPPED& overlapped) {
                      return WriteFile(pipe.get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr,
                                       &overlapped);
                  }) == Io::kDone &&
           written == bytes.size();
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
    if (!accept(request_pipe_, stop) || !accept(notify_pipe_, stop)) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        connected_ = true;
    }
    connected_cv_.notify_all();
    while (auto request = read_message(request_pipe_, stop)) {
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(*request);
        }
        if (const auto reply = responder_(*request)) {
            if (!write_message(request_pipe_, stop, *reply)) {
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
    return wait_connected() && write_message(notify_pipe_, stop_event_.get(), bytes);
}

void FakePipeServer::close_notification_pipe()
{
    // Until connected the serving thread may still be accepting on this pipe; it is not ours to close yet.
    if (!wait_connected()) {
        return;
    }
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
