#include "pipe_client_end.h"

#include "base/event.h"

#include <atomic>
#include <chrono>

namespace qev::rpc {

namespace {

bool wait_overlapped(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, HANDLE stop_event, DWORD* transferred)
{
    // A longer message than the buffer completes with ERROR_MORE_DATA; its count is still wanted.
    if (!started && GetLastError() != ERROR_IO_PENDING && GetLastError() != ERROR_MORE_DATA) {
        return false;
    }
    const HANDLE waits[2] = {overlapped.hEvent, stop_event};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &overlapped);
        GetOverlappedResult(pipe, &overlapped, transferred, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &overlapped, transferred, FALSE) != FALSE;
}

}  // namespace

std::wstring unique_pipe_name(const wchar_t* tag)
{
    static std::atomic<int> counter{0};
    return L"\\\\.\\pipe\\qev_rpc_test_" + std::wstring(tag) + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(counter++);
}

PipeClientEnd::~PipeClientEnd()
{
    close();
}

bool PipeClientEnd::open(const std::wstring& name, DWORD timeout_ms, bool reading)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (true) {
        pipe_.reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr));
        if (pipe_) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        Sleep(10);
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(pipe_.get(), &mode, nullptr, nullptr)) {
        return false;
    }
    stop_event_ = base::create_event(base::EventReset::manual);
    if (reading) {
        start_reading();
    }
    return true;
}

void PipeClientEnd::start_reading()
{
    reader_ = std::thread(&PipeClientEnd::read_messages, this);
}

void PipeClientEnd::read_messages()
{
    const base::UniqueKernelHandle event = base::create_event(base::EventReset::manual);
    std::vector<uint8_t> message;
    std::vector<uint8_t> chunk(64 * 1024);
    while (true) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        DWORD got = 0;
        const BOOL started =
            ReadFile(pipe_.get(), chunk.data(), static_cast<DWORD>(chunk.size()), nullptr, &overlapped);
        const bool ok = wait_overlapped(pipe_.get(), overlapped, started, stop_event_.get(), &got);
        if (!ok && GetLastError() != ERROR_MORE_DATA) {
            break;
        }
        message.insert(message.end(), chunk.begin(), chunk.begin() + got);
        if (ok) {
            const std::lock_guard lock(mutex_);
            messages_.push_back(std::move(message));
            message.clear();
            changed_.notify_all();
        }
    }
    const std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

bool PipeClientEnd::send(const uint8_t* bytes, size_t size)
{
    const base::UniqueKernelHandle event = base::create_event(base::EventReset::manual);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    DWORD written = 0;
    const BOOL started = WriteFile(pipe_.get(), bytes, static_cast<DWORD>(size), nullptr, &overlapped);
    return wait_overlapped(pipe_.get(), overlapped, started, stop_event_.get(), &written) && written == size;
}

std::optional<std::vector<uint8_t>> PipeClientEnd::next_message(DWORD timeout_ms)
{
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [this] { return !messages_.empty() || closed_; }) ||
        messages_.empty()) {
        return std::nullopt;
    }
    auto message = std::move(messages_.front());
    messages_.pop_front();
    return message;
}

bool PipeClientEnd::wait_closed(DWORD timeout_ms)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return closed_; });
}

void PipeClientEnd::close()
{
    if (reader_.joinable()) {
        SetEvent(stop_event_.get());
        reader_.join();
    }
    pipe_.reset();
}

}  // namespace qev::rpc
