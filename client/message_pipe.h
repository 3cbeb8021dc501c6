#pragma once

#include "base/unique_handle.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qev::client {

inline constexpr std::chrono::milliseconds kWaitForever{-1};

// The client end of a message-mode named pipe. I/O is overlapped so that every wait has a time-out and can
// be interrupted from another thread; one thread at a time reads or writes.
class MessagePipe {
public:
    enum class IoStatus { kDone, kTimeout, kClosed, kInterrupted, kFailed };

    struct ReadResult {
        IoStatus status = IoStatus::kFailed;
        std::vector<std::uint8_t> bytes;
    };

    // Opens the pipe, retrying while it is busy or not there yet, until `timeout` has passed.
    // Throws RpcError on failure.
    static MessagePipe connect(const std::wstring& name, std::chrono::milliseconds timeout);

    MessagePipe(MessagePipe&&) noexcept = default;
    MessagePipe& operator=(MessagePipe&&) noexcept = default;

    // Writes `bytes` as one message.
    IoStatus write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout);
    // Reads one whole message of any length (kWaitForever waits without limit).
    ReadResult read(std::chrono::milliseconds timeout);

    // Wakes a blocked read or write (thread-safe); every later read or write returns kInterrupted.
    void interrupt();
    void close();
    bool is_open() const { return pipe_.valid(); }

private:
    explicit MessagePipe(base::UniqueFileHandle pipe);

    IoStatus finish(OVERLAPPED& overlapped, DWORD timeout_ms, DWORD& transferred, DWORD& error);
    bool interrupted() const;

    base::UniqueFileHandle pipe_;
    base::UniqueKernelHandle io_event_;
    base::UniqueKernelHandle stop_event_;
};

const char* to_string(MessagePipe::IoStatus status);

}  // namespace qev::client
