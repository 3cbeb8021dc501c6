#include "client/message_pipe.h"

#include "client/rpc_error.h"
#include "base/event.h"
#include "base/utf8.h"

#include <algorithm>
#include <system_error>

namespace qev::client {

namespace {

constexpr std::size_t kFirstChunk = 4096;
// Larger replies than this are not messages of this protocol.
constexpr std::size_t kMaxMessage = 64u * 1024u * 1024u;
constexpr DWORD kBusyWaitSliceMs = 200;
constexpr DWORD kAbsentRetryMs = 20;

DWORD to_wait_ms(std::chrono::milliseconds timeout)
{
    if (timeout.count() < 0) {
        return INFINITE;
    }
    return static_cast<DWORD>(std::min<std::chrono::milliseconds::rep>(timeout.count(), INFINITE - 1));
}

base::UniqueKernelHandle make_event()
{
    try {
        return base::create_event(base::EventReset::manual);
    } catch (const std::system_error& failure) {
        throw RpcError(failure.what());
    }
}

bool is_closed_error(DWORD error)
{
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA ||
           error == ERROR_INVALID_HANDLE;
}

}  // namespace

MessagePipe::MessagePipe(base::UniqueFileHandle pipe)
    : pipe_(std::move(pipe)), io_event_(make_event()), stop_event_(make_event())
{}

MessagePipe MessagePipe::connect(const std::wstring& name, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        base::UniqueFileHandle pipe(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                FILE_FLAG_OVERLAPPED, nullptr));
        if (pipe) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            if (!SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr)) {
                throw RpcError("cannot set message read mode on " + base::utf8_from_wide(name) + ": error " +
                               std::to_string(GetLastError()));
            }
            return MessagePipe(std::move(pipe));
        }
        const DWORD error = GetLastError();
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (error != ERROR_PIPE_BUSY && error != ERROR_FILE_NOT_FOUND) {
            throw RpcError("cannot open " + base::utf8_from_wide(name) + ": error " + std::to_string(error));
        }
        if (left.count() <= 0) {
            throw RpcError("cannot open " + base::utf8_from_wide(name) + " in time: error " + std::to_string(error));
        }
        const DWORD slice = static_cast<DWORD>(left.count());
        if (error == ERROR_PIPE_BUSY) {
            WaitNamedPipeW(name.c_str(), std::min(slice, kBusyWaitSliceMs));
        } else {
            Sleep(std::min(slice, kAbsentRetryMs));
        }
    }
}

bool MessagePipe::interrupted() const
{
    return WaitForSingleObject(stop_event_.get(), 0) == WAIT_OBJECT_0;
}

MessagePipe::IoStatus MessagePipe::finish(OVERLAPPED& overlapped, DWORD timeout_ms, DWORD& transferred, DWORD& error)
{
    const HANDLE waits[2] = {io_event_.get(), stop_event_.get()};
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, timeout_ms);
    if (woke != WAIT_OBJECT_0) {
        CancelIoEx(pipe_.get(), &overlapped);
    }
    // Always wait for the operation itself: the OVERLAPPED and the buffer must outlive it.
    if (GetOverlappedResult(pipe_.get(), &overlapped, &transferred, TRUE)) {
        return IoStatus::kDone;
    }
    error = GetLastError();
    if (error == ERROR_MORE_DATA) {
        return IoStatus::kDone;
    }
    if (error == ERROR_OPERATION_ABORTED) {
        return woke == WAIT_TIMEOUT ? IoStatus::kTimeout : IoStatus::kInterrupted;
    }
    return is_closed_error(error) ? IoStatus::kClosed : IoStatus::kFailed;
}

MessagePipe::IoStatus MessagePipe::write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout)
{
    if (!pipe_.valid()) {
        return IoStatus::kClosed;
    }
    if (interrupted()) {
        return IoStatus::kInterrupted;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = io_event_.get();
    DWORD written = 0;
    if (!WriteFile(pipe_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            return is_closed_error(error) ? IoStatus::kClosed : IoStatus::kFailed;
        }
    }
    DWORD error = 0;
    const IoStatus status = finish(overlapped, to_wait_ms(timeout), written, error);
    if (status == IoStatus::kDone && written != bytes.size()) {
        return IoStatus::kFailed;
    }
    return status;
}

MessagePipe::ReadResult MessagePipe::read(std::chrono::milliseconds timeout)
{
    ReadResult result;
    if (!pipe_.valid()) {
        result.status = IoStatus::kClosed;
        return result;
    }
    if (interrupted()) {
        result.status = IoStatus::kInterrupted;
        return result;
    }
    std::size_t chunk = kFirstChunk;
    for (;;) {
        const std::size_t offset = result.bytes.size();
        result.bytes.resize(offset + chunk);
        OVERLAPPED overlapped{};
        overlapped.hEvent = io_event_.get();
        if (!ReadFile(pipe_.get(), result.bytes.data() + offset, static_cast<DWORD>(chunk), nullptr, &overlapped)) {
            const DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) {
                result.bytes.clear();
                result.status = is_closed_error(error) ? IoStatus::kClosed : IoStatus::kFailed;
                return result;
            }
        }
        DWORD got = 0;
        DWORD error = 0;
        result.status = finish(overlapped, to_wait_ms(timeout), got, error);
        result.bytes.resize(result.status == IoStatus::kDone ? offset + got : 0);
        if (result.status != IoStatus::kDone || error != ERROR_MORE_DATA) {
            return result;
        }
        if (result.bytes.size() >= kMaxMessage) {
            result.bytes.clear();
            result.status = IoStatus::kFailed;
            return result;
        }
        chunk = std::min(result.bytes.size(), kMaxMessage - result.bytes.size());
    }
}

void MessagePipe::interrupt()
{
    if (stop_event_.valid()) {
        SetEvent(stop_event_.get());
    }
}

void MessagePipe::close()
{
    pipe_.reset();
}

const char* to_string(MessagePipe::IoStatus status)
{
    switch (status) {
    case MessagePipe::IoStatus::kDone:
        return "done";
    case MessagePipe::IoStatus::kTimeout:
        return "timed out";
    case MessagePipe::IoStatus::kClosed:
        return "pipe closed";
    case MessagePipe::IoStatus::kInterrupted:
        return "interrupted";
    case MessagePipe::IoStatus::kFailed:
        break;
    }
    return "I/O failed";
}

}  // namespace qev::client
