#pragma once

#include <windows.h>

#include <utility>

namespace qev::base {

template <typename Pointer>
constexpr Pointer null_handle() noexcept
{
    return nullptr;
}

inline HANDLE invalid_handle_value() noexcept
{
    return INVALID_HANDLE_VALUE;
}

// Sole owner of one Windows resource, freed with Close. Empty() is what an empty owner holds (null,
// or INVALID_HANDLE_VALUE for the kinds whose creators fail with it); neither null nor
// INVALID_HANDLE_VALUE is ever closed. reset() and the destructor keep the thread's last error, so
// `if (!CreateX(...)) { h.reset(); return GetLastError(); }` stays correct.
template <typename Pointer, auto Close, Pointer (*Empty)() = null_handle<Pointer>>
class UniqueHandle {
public:
    using pointer = Pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer value) noexcept : value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    pointer get() const noexcept { return value_; }
    bool valid() const noexcept { return is_valid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    // For out-parameters: frees what is held and hands out the empty slot.
    pointer* put() noexcept
    {
        reset();
        return &value_;
    }

    pointer release() noexcept { return std::exchange(value_, Empty()); }

    void reset(pointer value = Empty()) noexcept
    {
        const pointer old = std::exchange(value_, value);
        if (is_valid(old)) {
            const DWORD error = ::GetLastError();
            Close(old);
            ::SetLastError(error);
        }
    }

private:
    static bool is_valid(pointer value) noexcept
    {
        return value != nullptr && static_cast<const void*>(value) != INVALID_HANDLE_VALUE;
    }

    pointer value_ = Empty();
};

// Events, mutexes, timers, threads, processes, tokens, mappings: creators return null on failure.
using UniqueKernelHandle = UniqueHandle<HANDLE, &::CloseHandle>;
// Files and pipes: creators return INVALID_HANDLE_VALUE on failure.
using UniqueFileHandle = UniqueHandle<HANDLE, &::CloseHandle, invalid_handle_value>;
using UniqueRegKey = UniqueHandle<HKEY, &::RegCloseKey>;
// Memory from LocalAlloc and the APIs that allocate with it (FormatMessageW, SetEntriesInAclW),
// typed so that put() fits where the API wants a T** (e.g. PACL*).
template <typename T>
using UniqueLocalPtr = UniqueHandle<T*, &::LocalFree>;
using UniqueLocalMemory = UniqueHandle<HLOCAL, &::LocalFree>;
// SIDs from AllocateAndInitializeSid.
using UniqueSid = UniqueHandle<PSID, &::FreeSid>;
using UniqueServiceHandle = UniqueHandle<SC_HANDLE, &::CloseServiceHandle>;
using UniqueModule = UniqueHandle<HMODULE, &::FreeLibrary>;
using UniqueFindHandle = UniqueHandle<HANDLE, &::FindClose, invalid_handle_value>;
// Views from MapViewOfFile.
using UniqueMappedView = UniqueHandle<void*, &::UnmapViewOfFile>;

}  // namespace qev::base
