#include "rpc/pipe_connection.h"

#include "base/event.h"
#include "rpc/pipe_instance.h"

#include <utility>

namespace qev::rpc {

PipeConnection::PipeConnection(std::wstring name)
    : name_(std::move(name)), cancel_event_(base::create_event(base::EventReset::manual)),
      read_event_(base::create_event(base::EventReset::manual)),
      write_event_(base::create_event(base::EventReset::manual))
{}

PipeConnection::PipeConnection(std::wstring name, HANDLE pipe) : PipeConnection(std::move(name))
{
    pipe_.reset(pipe);
}

PipeConnection::~PipeConnection()
{
    close();
}

bool PipeConnection::create_instance()
{
    const std::lock_guard lock(io_mutex_);
    pipe_.reset(create_pipe_instance(name_, kBufferSize, FILE_FLAG_OVERLAPPED));
    return pipe_.valid();
}

bool PipeConnection::is_open() const
{
    const std::lock_guard lock(io_mutex_);
    return pipe_.valid();
}

// Waits for an overlapped operation unless it already finished; cancels it when this connection is
// cancelled, extra_event is signalled or the time is up.
bool PipeConnection::finish_io(OVERLAPPED& overlapped, BOOL started, DWORD* transferred, HANDLE extra_event,
                               DWORD timeout_ms) const
{
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    // Finished at once (a reply the pipe could take, a request already waiting): no wait needed.
    if (started) {
        return GetOverlappedResult(pipe_.get(), &overlapped, transferred, FALSE) != FALSE;
    }
    const HANDLE waits[3] = {overlapped.hEvent, cancel_event_.get(), extra_event};
    const DWORD count = extra_event != nullptr ? 3 : 2;
    const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, timeout_ms);
    if (woke != WAIT_OBJECT_0) {
        CancelIoEx(pipe_.get(), &overlapped);
        // The operation may have completed just before the cancel took effect.
        if (GetOverlappedResult(pipe_.get(), &overlapped, transferred, TRUE)) {
            return true;
        }
        SetLastError(woke == WAIT_TIMEOUT ? ERROR_TIMEOUT : ERROR_OPERATION_ABORTED);
        return false;
    }
    return GetOverlappedResult(pipe_.get(), &overlapped, transferred, FALSE) != FALSE;
}

bool PipeConnection::connect(HANDLE stop_event)
{
    if (!pipe_.valid() || cancelled_) {
        return false;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = read_event_.get();
    const BOOL started = ConnectNamedPipe(pipe_.get(), &overlapped);
    bool connected = false;
    if (!started && GetLastError() == ERROR_PIPE_CONNECTED) {
        connected = true;
    } else {
        DWORD ignored = 0;
        connected = finish_io(overlapped, started, &ignored, stop_event);
    }
    if (!connected) {
        return false;
    }
    ULONG process_id = 0;
    GetNamedPipeClientProcessId(pipe_.get(), &process_id);
    client_process_id_ = process_id;
    return true;
}

bool PipeConnection::probe() const
{
    const std::lock_guard lock(io_mutex_);
    if (!pipe_.valid()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return PeekNamedPipe(pipe_.get(), nullptr, 0, nullptr, nullptr, nullptr) != FALSE;
}

bool PipeConnection::read(uint8_t* buffer, DWORD capacity, DWORD* bytes_read)
{
    *bytes_read = 0;
    if (!pipe_.valid()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = read_event_.get();
    const BOOL started = ReadFile(pipe_.get(), buffer, capacity, nullptr, &overlapped);
    if (!started && GetLastError() == ERROR_MORE_DATA) {
        // Completed at once with part of the message; the overlapped result tells how much.
        GetOverlappedResult(pipe_.get(), &overlapped, bytes_read, FALSE);
        SetLastError(ERROR_MORE_DATA);
        return false;
    }
    return finish_io(overlapped, started, bytes_read, nullptr);
}

bool PipeConnection::bytes_left_in_message(DWORD* left) const
{
    *left = 0;
    const std::lock_guard lock(io_mutex_);
    if (!pipe_.valid()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return PeekNamedPipe(pipe_.get(), nullptr, 0, nullptr, nullptr, left) != FALSE;
}

bool PipeConnection::write(const uint8_t* bytes, DWORD size, DWORD* bytes_written, DWORD timeout_ms)
{
    *bytes_written = 0;
    const std::lock_guard lock(io_mutex_);
    if (!pipe_.valid()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = write_event_.get();
    const BOOL started = WriteFile(pipe_.get(), bytes, size, nullptr, &overlapped);
    return finish_io(overlapped, started, bytes_written, nullptr, timeout_ms);
}

void PipeConnection::cancel()
{
    cancelled_ = true;
    SetEvent(cancel_event_.get());
}

void PipeConnection::close()
{
    const std::lock_guard lock(io_mutex_);
    if (!pipe_.valid()) {
        return;
    }
    // A flush waits for the client to read; after cancel() nobody may wait any more.
    if (!cancelled_) {
        FlushFileBuffers(pipe_.get());
    }
    DisconnectNamedPipe(pipe_.get());
    pipe_.reset();
}

}  // namespace qev::rpc
