#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "mszip_buffer_format.h"

namespace qevsim {

// Inflates a buffer-mode image (mszip_buffer_format.h) and refuses anything that is not exactly
// one: a bad signature or framing, a block over [MS-MCI]'s limits, a block that inflates to other
// than its recorded size, or bytes after the last block.
class MszipDecoder {
public:
    MszipDecoder();
    ~MszipDecoder();
    MszipDecoder(const MszipDecoder&) = delete;
    MszipDecoder& operator=(const MszipDecoder&) = delete;

    bool ready() const { return ready_; }
    // The uncompressed size the header records; empty when there is no valid header.
    static std::optional<std::uint64_t> originalSize(std::span<const std::uint8_t> image);
    // Fills out (at least originalSize bytes); ERROR_SUCCESS or ERROR_BAD_COMPRESSION_BUFFER.
    DWORD decode(std::span<const std::uint8_t> image, std::span<std::uint8_t> out);

private:
    bool decodeBlock(std::span<const std::uint8_t> block, std::span<std::uint8_t> out, std::size_t produced);

    z_stream stream_{};
    bool ready_ = false;
};

}  // namespace qevsim
