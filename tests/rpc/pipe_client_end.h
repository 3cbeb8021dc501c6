#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qev::rpc {

// The client end of one pipe, as a test drives it: a background thread collects every message the
// server sends and notices when the server closes its end.
class PipeClientEnd {
public:
    PipeClientEnd() = default;
    ~PipeClientEnd();

    PipeClientEnd(const PipeClientEnd&) = delete;
    PipeClientEnd& operator=(const PipeClientEnd&) = delete;

    // Connects, retrying while the server has no free instance yet (up to timeout_ms). Without
    // `reading`, nothing is read until start_reading().
    bool open(const std::wstring& name, DWORD timeout_ms = 5000, bool reading = true);
    void start_reading();
    bool send(const uint8_t* bytes, size_t size);
    bool send(const std::vector<uint8_t>& bytes) { return send(bytes.data(), bytes.size()); }
    std::optional<std::vector<uint8_t>> next_message(DWORD timeout_ms = 5000);
    // True once the server side has closed or disconnected the pipe.
    bool wait_closed(DWORD timeout_ms = 5000);
    void close();

private:
    void read_messages();

    base::UniqueFileHandle pipe_;
    base::UniqueKernelHandle stop_event_;
    std::thread reader_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> messages_;
    bool closed_ = false;
};

// A name no other test process uses.
std::wstring unique_pipe_name(const wchar_t* tag);

}  // namespace qev::rpc
