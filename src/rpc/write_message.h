#pragma once

#include <windows.h>

#include <cstdint>

namespace qev::rpc {

class PipeConnection;

// Writes one message; true only when all of it was written. A client that has gone (broken pipe)
// gets its connection closed. A client that does not take the message within timeout_ms loses it.
bool write_message(PipeConnection& connection, const uint8_t* bytes, uint32_t size, DWORD timeout_ms = INFINITE);

}  // namespace qev::rpc
