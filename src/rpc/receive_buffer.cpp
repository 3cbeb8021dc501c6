#include "rpc/receive_buffer.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace qev::rpc {

ReceiveBuffer::ReceiveBuffer()
    : memory_(static_cast<uint8_t*>(VirtualAlloc(nullptr, kCapacity, MEM_RESERVE, PAGE_NOACCESS)))
{}

void ReceiveBuffer::VirtualFreeDeleter::operator()(uint8_t* memory) const
{
    VirtualFree(memory, 0, MEM_RELEASE);
}

bool ReceiveBuffer::make_room(size_t size)
{
    if (!memory_) {
        return false;
    }
    const size_t wanted = std::min(kCapacity, (size + kCommitStep - 1) / kCommitStep * kCommitStep);
    if (wanted <= committed_) {
        return true;
    }
    // Freshly committed pages are zero.
    if (VirtualAlloc(memory_.get() + committed_, wanted - committed_, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        return false;
    }
    committed_ = wanted;
    return true;
}

void ReceiveBuffer::clear(size_t used)
{
    if (memory_) {
        std::memset(memory_.get(), 0, std::min(used, committed_));
    }
}

}  // namespace qev::rpc
