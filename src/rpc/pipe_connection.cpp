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
// cancelled, extra_event is signalled or the time is up. Side work runs whenever its event fires.
bool PipeConnection::finish_io(OVERLAPPED& overlapped, BOOL started, DWORD* transferred, HANDLE extra_event,
                               DWORD timeout_ms, const WaitSideWork* side_work) const
{
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    // Finished at once (a reply the pipe could take, a request already waiting): no wait needed.
    if (started) {
        return GetOverlappedResult(pipe_.get(), &overlapped, transferred, FALSE) != FALSE;
    }
    HANDLE waits[4] = {overlapped.hEvent, cancel_event_.get()};
    DWORD count = 2;
    if (extra_event != nullptr) {
        waits[count++] = extra_event;
    }
    const bool has_side_work = side_work != nullptr && side_work->event != nullptr;
    const DWORD side_index = count;
    if (has_side_work) {
        waits[count++] = side_work->event;
    }
    DWORD woke = WaitForMultipleObjects(count, waits, FALSE, timeout_ms);
    while (has_side_work && woke == WAIT_OBJECT_0 + side_index) {
        side_work->run();
        woke = WaitForMultipleObjects(count, waits, FALSE, timeout_ms);
    }
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

bool PipeConnection::read(uint8_t* buffer, DWORD capacity, DWORD* bytes_read, const WaitSideWork* side_work)
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
    return finish_io(overlapped, started, bytes_read, nullptr, INFINITE, side_work);
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

bool PipeConnection::start_write(const uint8_t* bytes, DWORD size, OVERLAPPED& overlapped)
{
    const std::lock_guard lock(io_mutex_);
    if (!pipe_.valid() || cancelled_) {
        SetLastError(pipe_.valid() ? ERROR_OPERATION_ABORTED : ERROR_INVALID_HANDLE);
        return false;
    }
    return WriteFile(pipe_.get(), bytes, size, nullptr, &overlapped) || GetLastError() == ERROR_IO_PENDING;
}

bool PipeConnection::write_finished(OVERLAPPED& overlapped, DWORD* bytes_written, bool* succeeded) const
{
    if (!HasOverlappedIoCompleted(&overlapped)) {
        return false;
    }
    const std::lock_guard lock(io_mutex_);
    *succeeded = GetOverlappedResult(pipe_.get(), &overlapped, bytes_written, FALSE) != FALSE;
    return true;
}

void PipeConnection::withdraw_write(OVERLAPPED& overlapped)
{
    const std::lock_guard lock(io_mutex_);
    if (pipe_.valid()) {
        CancelIoEx(pipe_.get(), &overlapped);
    }
    // The cancel completes the write promptly; only then may the caller reuse its memory.
    while (!HasOverlappedIoCompleted(&overlapped)) {
        WaitForSingleObject(overlapped.hEvent, INFINITE);
    }
}

void PipeConnection::cancel()
{
    cancelled_ = true;
    SetEvent(cancel_event_.get());
}

void PipeConnection::close()
{
    // No FlushFileBuffers and no DisconnectNamedPipe: the first waits until the client has read
    // everything (forever for a client that does not read), the second throws away what it has not
    // read yet. The instance is never reused, so closing the handle is all that is needed.
    const std::lock_guard lock(io_mutex_);
    pipe_.reset();
}

}  // namespace qev::rpc
