#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace qev::rpc {

// Work a blocking read does while it waits: when `event` is signalled, `run` is called on the
// reading thread and the read goes on waiting.
struct WaitSideWork {
    HANDLE event = nullptr;
    std::function<void()> run;
};

// The server end of one pipe instance. Its I/O is overlapped so that cancel() can end any wait:
// reads and connects are made by one thread at a time; writes may come from any thread.
class PipeConnection {
public:
    static constexpr uint32_t kBufferSize = 1024;

    explicit PipeConnection(std::wstring name);
    // Adopts an existing overlapped server end (already connected), or a client end opened with
    // FILE_FLAG_OVERLAPPED.
    PipeConnection(std::wstring name, HANDLE pipe);
    ~PipeConnection();

    PipeConnection(const PipeConnection&) = delete;
    PipeConnection& operator=(const PipeConnection&) = delete;

    // Creates the pipe instance; false (last error set) when that failed.
    bool create_instance();
    // Waits for a client; false when the connect failed, this connection was cancelled or stop_event
    // (optional) was signalled. On success the client's process id is known.
    bool connect(HANDLE stop_event);

    const std::wstring& name() const { return name_; }
    uint64_t client_process_id() const { return client_process_id_; }
    bool is_open() const;
    bool is_cancelled() const { return cancelled_; }

    // PeekNamedPipe without reading: fails once the client end has gone.
    bool probe() const;
    // Reads the next message, or as much of it as fits, waiting for it to come. False (last error
    // set) on failure or cancellation; ERROR_MORE_DATA when only part of the message fitted
    // (*bytes_read tells how much), the rest then stays to be read.
    bool read(uint8_t* buffer, DWORD capacity, DWORD* bytes_read, const WaitSideWork* side_work = nullptr);
    // Bytes of the current message not read yet; false (last error set) on failure.
    bool bytes_left_in_message(DWORD* left) const;
    // Writes one message; false (last error set) on failure, cancellation, or when the client has not
    // taken it within timeout_ms (ERROR_TIMEOUT; the message is then withdrawn).
    bool write(const uint8_t* bytes, DWORD size, DWORD* bytes_written, DWORD timeout_ms = INFINITE);

    // A write that does not wait for the client: start_write() begins it (false, last error set, when
    // it failed at once); write_finished() tells whether it is over and how it went; withdraw_write()
    // cancels it and returns once the system no longer uses `overlapped` or the bytes.
    bool start_write(const uint8_t* bytes, DWORD size, OVERLAPPED& overlapped);
    bool write_finished(OVERLAPPED& overlapped, DWORD* bytes_written, bool* succeeded) const;
    void withdraw_write(OVERLAPPED& overlapped);

    // Ends every present and future wait on this connection; used when the server stops.
    void cancel();
    // Closes the handle without waiting for the client: what was written stays readable by the
    // client, which then finds the pipe broken. Idempotent.
    void close();

private:
    bool finish_io(OVERLAPPED& overlapped, BOOL started, DWORD* transferred, HANDLE extra_event,
                   DWORD timeout_ms = INFINITE, const WaitSideWork* side_work = nullptr) const;

    std::wstring name_;
    base::UniqueFileHandle pipe_;
    uint64_t client_process_id_ = 0;
    base::UniqueKernelHandle cancel_event_;
    base::UniqueKernelHandle read_event_;
    base::UniqueKernelHandle write_event_;
    std::atomic<bool> cancelled_{false};
    // Guards the handle against a close while a writer or a prober uses it.
    mutable std::mutex io_mutex_;
};

}  // namespace qev::rpc
