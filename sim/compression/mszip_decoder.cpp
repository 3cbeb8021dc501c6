#include "mszip_decoder.h"

#include <algorithm>
#include <cstring>

#include "mszip_buffer_format.h"

namespace qevsim {

MszipDecoder::MszipDecoder()
{
    ready_ = inflateInit2(&stream_, -15) == Z_OK;
}

MszipDecoder::~MszipDecoder()
{
    if (ready_) {
        inflateEnd(&stream_);
    }
}

std::optional<std::uint64_t> MszipDecoder::originalSize(std::span<const std::uint8_t> image)
{
    if (image.size() < kHeaderSize || std::memcmp(image.data(), kHeaderSignature, sizeof(kHeaderSignature)) != 0 ||
        getLe(image.data() + 4, 4) != kMszipAlgorithm) {
        return std::nullopt;
    }
    return getLe(image.data() + 8, 8);
}

DWORD MszipDecoder::decode(std::span<const std::uint8_t> image, std::span<std::uint8_t> out)
{
    const auto total = originalSize(image);
    if (!ready_ || !total || out.size() < *total) {
        return ERROR_BAD_COMPRESSION_BUFFER;
    }
    std::size_t position = kHeaderSize;
    std::size_t produced = 0;
    while (produced < *total) {
        if (image.size() - position < kBlockHeaderSize) {
            return ERROR_BAD_COMPRESSION_BUFFER;
        }
        const std::uint64_t blockSize = getLe(image.data() + position, 4);
        const std::uint64_t expands = getLe(image.data() + position + 4, 4);
        position += kBlockHeaderSize;
        if (blockSize > kMszipBlockMaxSize || blockSize > image.size() - position || expands == 0 ||
            expands > kMszipBlockLimit || expands > *total - produced ||
            !decodeBlock(image.subspan(position, blockSize), out.subspan(produced, expands), produced)) {
            return ERROR_BAD_COMPRESSION_BUFFER;
        }
        position += blockSize;
        produced += expands;
    }
    return position == image.size() ? ERROR_SUCCESS : ERROR_BAD_COMPRESSION_BUFFER;
}

// out is the block's part of the whole output; the bytes before it are the history.
bool MszipDecoder::decodeBlock(std::span<const std::uint8_t> block, std::span<std::uint8_t> out, std::size_t produced)
{
    if (block.size() < sizeof(kBlockSignature) ||
        std::memcmp(block.data(), kBlockSignature, sizeof(kBlockSignature)) != 0 || inflateReset(&stream_) != Z_OK) {
        return false;
    }
    const std::size_t history = std::min(produced, kMszipBlockLimit);
    if (history > 0 && inflateSetDictionary(&stream_, out.data() - history, static_cast<uInt>(history)) != Z_OK) {
        return false;
    }
    stream_.next_in = const_cast<Bytef*>(block.data() + sizeof(kBlockSignature));
    stream_.avail_in = static_cast<uInt>(block.size() - sizeof(kBlockSignature));
    stream_.next_out = out.data();
    stream_.avail_out = static_cast<uInt>(out.size());
    return inflate(&stream_, Z_FINISH) == Z_STREAM_END && stream_.avail_in == 0 && stream_.avail_out == 0;
}

}  // namespace qevsim
