#pragma once

#include <windows.h>

#include <utility>

namespace qev::winsys {

// Kernel objects whose creators return null on failure (events, mutexes, timers, threads, tokens).
struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void close(pointer value) noexcept { ::CloseHandle(value); }
};

// Sole owner of one Windows resource; Traits says what "no resource" is and how to free one.
// UniqueHandle<> holds a kernel HANDLE.
template <typename Traits = KernelHandleTraits>
class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

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
    bool valid() const noexcept { return Traits::is_valid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    // For out-parameters: frees what is held and hands out the empty slot.
    pointer* put() noexcept
    {
        reset();
        return &value_;
    }

    pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

    void reset(pointer value = Traits::invalid()) noexcept
    {
        const pointer old = std::exchange(value_, value);
        if (Traits::is_valid(old)) {
            Traits::close(old);
        }
    }

private:
    pointer value_ = Traits::invalid();
};

// Files and pipes, whose creators return INVALID_HANDLE_VALUE on failure.
struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool is_valid(pointer value) noexcept { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void close(pointer value) noexcept { ::CloseHandle(value); }
};

struct RegKeyTraits {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::RegCloseKey(value); }
};

// Memory from LocalAlloc and from the APIs that allocate with it (FormatMessageW, SetEntriesInAclW).
struct LocalMemoryTraits {
    using pointer = HLOCAL;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::LocalFree(value); }
};

// The same, typed, so put() can be passed where the API wants a T** (e.g. PACL*).
template <typename T>
struct TypedLocalMemoryTraits {
    using pointer = T*;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::LocalFree(static_cast<HLOCAL>(value)); }
};

// SIDs from AllocateAndInitializeSid.
struct SidTraits {
    using pointer = PSID;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::FreeSid(value); }
};

// Service control manager and service handles.
struct ServiceHandleTraits {
    using pointer = SC_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::CloseServiceHandle(value); }
};

struct ModuleTraits {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::FreeLibrary(value); }
};

// FindFirstFileW handles.
struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool is_valid(pointer value) noexcept { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static void close(pointer value) noexcept { ::FindClose(value); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueHkey = UniqueRegKey;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
template <typename T>
using UniqueLocalPtr = UniqueHandle<TypedLocalMemoryTraits<T>>;
using UniqueSid = UniqueHandle<SidTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace qev::winsys
