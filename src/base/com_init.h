#pragma once

#include <windows.h>

#include <optional>

namespace qev::base {

// COM for the calling thread while this object lives. Initialises with `flags`; when the thread is
// already in the other apartment (RPC_E_CHANGED_MODE) and `fallback_flags` is given, with those.
// Uninitialises only what its own call initialised (S_OK or S_FALSE), on the same thread.
class ComInit {
public:
    explicit ComInit(DWORD flags, std::optional<DWORD> fallback_flags = std::nullopt) noexcept;
    ~ComInit();
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;

    HRESULT result() const noexcept { return result_; }
    bool initialized() const noexcept { return SUCCEEDED(result_); }

    // For an object that lives as long as its thread (a process-wide singleton): initialises COM
    // for the rest of the thread's life, never undone.
    static HRESULT for_thread_lifetime(DWORD flags) noexcept;

private:
    HRESULT result_;
};

}  // namespace qev::base
