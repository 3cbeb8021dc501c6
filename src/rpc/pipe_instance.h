#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qev::rpc {

// Creates one server instance of a named pipe: duplex, message type and read mode, blocking mode,
// unlimited instances, the system default time-out, and a DACL that gives SYSTEM and Administrators
// full access and interactive users read/write. extra_open_flags is ORed into the open mode
// (FILE_FLAG_OVERLAPPED for pipes whose waits must be interruptible).
// Returns the handle, or INVALID_HANDLE_VALUE with the last error set.
HANDLE create_pipe_instance(const std::wstring& name, uint32_t buffer_size, DWORD extra_open_flags = 0);

}  // namespace qev::rpc
