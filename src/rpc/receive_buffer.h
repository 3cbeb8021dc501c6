#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qev::rpc {

// The 8 MiB buffer a connection receives requests into. The address range is reserved once; pages
// are committed as messages first need them and then kept, so an idle client costs no memory.
// The usable part is zero and is made zero again after each message by clearing only the bytes
// that message used.
class ReceiveBuffer {
public:
    static constexpr size_t kCapacity = 0x800000;
    static constexpr size_t kCommitStep = 0x1000;
    // What each read offers first: one page, which nearly every request fits. An idle client's
    // pending read holds no more than that (Wine touches every page of a read buffer); a larger
    // request is read on in a second step.
    static constexpr size_t kFirstChunk = kCommitStep;

    ReceiveBuffer();

    // False when the address range could not be reserved.
    bool valid() const { return memory_ != nullptr; }
    uint8_t* data() { return memory_.get(); }
    const uint8_t* data() const { return memory_.get(); }
    static constexpr size_t capacity() { return kCapacity; }
    // Bytes usable from data() on.
    size_t usable() const { return committed_; }

    // Makes at least `size` bytes (at most the capacity) usable; false when memory ran out.
    bool make_room(size_t size);
    // Zeroes the first `used` bytes (clamped to what is usable).
    void clear(size_t used);

private:
    struct VirtualFreeDeleter {
        void operator()(uint8_t* memory) const;
    };
    std::unique_ptr<uint8_t, VirtualFreeDeleter> memory_;
    size_t committed_ = 0;
};

}  // namespace qev::rpc
