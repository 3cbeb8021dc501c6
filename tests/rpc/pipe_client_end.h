#pragma once

#include "client/message_pipe.h"
#include "client/rpc_error.h"
#include "request_builder.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace qev::rpc {

// The client end of one pipe as a test drives it: the client library's pipe, read only when asked,
// so a client that does not read is simply one that is not asked.
class PipeClientEnd {
public:
    // Connects, retrying while the server has no free instance yet.
    bool open(const std::wstring& name)
    {
        try {
            pipe_.emplace(client::MessagePipe::connect(name, std::chrono::seconds(5)));
        } catch (const client::RpcError&) {
            return false;
        }
        return true;
    }
    bool send(const std::vector<uint8_t>& bytes)
    {
        return pipe_->write(bytes, std::chrono::seconds(30)) == client::MessagePipe::IoStatus::kDone;
    }
    std::optional<std::vector<uint8_t>> next_message(DWORD timeout_ms = 5000)
    {
        auto read = pipe_->read(std::chrono::milliseconds(timeout_ms));
        return read.status == client::MessagePipe::IoStatus::kDone ? std::optional(std::move(read.bytes))
                                                                   : std::nullopt;
    }
    // The next message decoded (kept as long as this end), or null when none came or it is no IpcMessage.
    const wire::IpcMessage* next_reply(DWORD timeout_ms = 5000)
    {
        auto message = next_message(timeout_ms);
        return message ? decode_message(kept_.emplace_back(std::move(*message))) : nullptr;
    }
    // True once the server side has closed or disconnected the pipe; unread messages are dropped.
    bool wait_closed(DWORD timeout_ms = 5000)
    {
        for (auto status = client::MessagePipe::IoStatus::kDone; status == client::MessagePipe::IoStatus::kDone;) {
            status = pipe_->read(std::chrono::milliseconds(timeout_ms)).status;
            if (status == client::MessagePipe::IoStatus::kClosed) {
                return true;
            }
        }
        return false;
    }
    void close() { pipe_.reset(); }

private:
    std::optional<client::MessagePipe> pipe_;
    std::deque<std::vector<uint8_t>> kept_;
};

// A name no other test process uses.
inline std::wstring unique_pipe_name(const wchar_t* tag)
{
    static std::atomic<int> counter{0};
    return L"\\\\.\\pipe\\qev_rpc_test_" + std::wstring(tag) + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(counter++);
}

}  // namespace qev::rpc
