#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The 8 MiB buffer a connection receives requests into: allocated once, zero at the start, and
// made zero again after each message by clearing only the bytes that message used.
class ReceiveBuffer {
public:
    static constexpr size_t kCapacity = 0x800000;

    ReceiveBuffer();

    // False when the memory could not be reserved.
    bool valid() const { return memory_ != nullptr; }
    uint8_t* data() { return memory_.get(); }
    const uint8_t* data() const { return memory_.get(); }
    static constexpr size_t capacity() { return kCapacity; }

    // Zeroes the first `used` bytes (clamped to the capacity).
    void clear(size_t used);

private:
    struct VirtualFreeDeleter {
        void operator()(uint8_t* memory) const;
    };
    std::unique_ptr<uint8_t, VirtualFreeDeleter> memory_;
};
