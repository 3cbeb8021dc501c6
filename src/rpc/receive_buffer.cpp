#include "rpc/receive_buffer.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

// Fresh committed pages are zero and cost nothing until touched, so an idle client stays cheap.
ReceiveBuffer::ReceiveBuffer()
    : memory_(static_cast<uint8_t*>(VirtualAlloc(nullptr, kCapacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)))
{
}

void ReceiveBuffer::VirtualFreeDeleter::operator()(uint8_t* memory) const
{
    VirtualFree(memory, 0, MEM_RELEASE);
}

void ReceiveBuffer::clear(size_t used)
{
    if (memory_) {
        std::memset(memory_.get(), 0, std::min(used, kCapacity));
    }
}
