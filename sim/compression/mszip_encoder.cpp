#include "mszip_encoder.h"

#include <algorithm>
#include <cstring>

#include "mszip_buffer_format.h"

namespace qevsim {

namespace {

// A stored RFC 1951 block holding the whole chunk: BFINAL=1, BTYPE=00, LEN, NLEN.
constexpr std::size_t kStoredHeaderSize = 5;
// An empty final block with fixed codes: BFINAL=1, BTYPE=01, end-of-block (seven zero bits).
constexpr std::uint8_t kEmptyFinalBlock[2] = {0x03, 0x00};

std::size_t storedBlock(std::span<const std::uint8_t> chunk, std::uint8_t* out)
{
    const auto length = static_cast<std::uint16_t>(chunk.size());
    out[0] = 0x01;
    putLe(out + 1, length, 2);
    putLe(out + 3, static_cast<std::uint16_t>(~length), 2);
    std::memcpy(out + kStoredHeaderSize, chunk.data(), chunk.size());
    return kStoredHeaderSize + chunk.size();
}

}  // namespace

MszipEncoder::MszipEncoder()
{
    ready_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    if (ready_) {
        scratch_.resize(deflateBound(&stream_, kMszipBlockLimit) + 64);
    }
}

MszipEncoder::~MszipEncoder()
{
    if (ready_) {
        deflateEnd(&stream_);
    }
}

std::size_t MszipEncoder::bound(std::size_t size)
{
    const std::size_t blocks = (size + kMszipBlockLimit - 1) / kMszipBlockLimit;
    return kHeaderSize + size + blocks * (kBlockHeaderSize + sizeof(kBlockSignature) + kStoredHeaderSize);
}

std::size_t MszipEncoder::encode(std::span<const std::uint8_t> input, std::span<std::uint8_t> out)
{
    if (!ready_ || out.size() < bound(input.size()) || deflateReset(&stream_) != Z_OK) {
        return 0;
    }
    std::memcpy(out.data(), kHeaderSignature, sizeof(kHeaderSignature));
    putLe(out.data() + 4, kMszipAlgorithm, 4);
    putLe(out.data() + 8, input.size(), 8);
    std::size_t written = kHeaderSize;
    for (std::size_t offset = 0; offset < input.size(); offset += kMszipBlockLimit) {
        const auto chunk = input.subspan(offset, std::min(kMszipBlockLimit, input.size() - offset));
        const std::size_t size = encodeBlock(chunk, out.data() + written + kBlockHeaderSize);
        if (size == 0) {
            return 0;
        }
        putLe(out.data() + written, size, 4);
        putLe(out.data() + written + 4, chunk.size(), 4);
        written += kBlockHeaderSize + size;
    }
    return written;
}

std::size_t MszipEncoder::encodeBlock(std::span<const std::uint8_t> chunk, std::uint8_t* out)
{
    stream_.next_in = const_cast<Bytef*>(chunk.data());
    stream_.avail_in = static_cast<uInt>(chunk.size());
    stream_.next_out = scratch_.data();
    stream_.avail_out = static_cast<uInt>(scratch_.size());
    // The sync flush emits all of the chunk and leaves the window (history) in place.
    if (deflate(&stream_, Z_SYNC_FLUSH) != Z_OK || stream_.avail_in != 0 || stream_.avail_out == 0) {
        return 0;
    }
    const std::size_t deflated = scratch_.size() - stream_.avail_out;
    std::memcpy(out, kBlockSignature, sizeof(kBlockSignature));
    out += sizeof(kBlockSignature);
    // Incompressible data goes stored: the block then stays within [MS-MCI]'s 32 KB + 12 bytes.
    if (deflated + sizeof(kEmptyFinalBlock) > kStoredHeaderSize + chunk.size()) {
        return sizeof(kBlockSignature) + storedBlock(chunk, out);
    }
    std::memcpy(out, scratch_.data(), deflated);
    std::memcpy(out + deflated, kEmptyFinalBlock, sizeof(kEmptyFinalBlock));
    return sizeof(kBlockSignature) + deflated + sizeof(kEmptyFinalBlock);
}

}  // namespace qevsim
