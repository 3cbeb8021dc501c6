#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qevsim {

// Deflates a whole buffer into the buffer-mode image (mszip_buffer_format.h). One zlib stream per
// encoder; each 32 KiB block ends in a sync flush plus an empty final block, so the next block
// keeps the history, as [MS-MCI] has it.
class MszipEncoder {
public:
    MszipEncoder();
    ~MszipEncoder();
    MszipEncoder(const MszipEncoder&) = delete;
    MszipEncoder& operator=(const MszipEncoder&) = delete;

    bool ready() const { return ready_; }
    // The output size that always suffices for size input bytes.
    static std::size_t bound(std::size_t size);
    // Writes the image of input into out (at least bound(input.size()) bytes); 0 on failure.
    std::size_t encode(std::span<const std::uint8_t> input, std::span<std::uint8_t> out);

private:
    std::size_t encodeBlock(std::span<const std::uint8_t> chunk, std::uint8_t* out);

    z_stream stream_{};
    bool ready_ = false;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace qevsim
