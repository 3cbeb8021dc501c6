#pragma once

#include <cstdint>

class PipeConnection;

// Writes one message; true only when all of it was written. A client that has gone (broken pipe)
// gets its connection closed.
bool write_message(PipeConnection& connection, const uint8_t* bytes, uint32_t size);
