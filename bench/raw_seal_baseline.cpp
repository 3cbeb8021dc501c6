#include "raw_seal_baseline.h"

#include <zlib.h>

namespace qev::bench {

namespace {

const UCHAR kKey[16] = {0x40, 0x03, 0xd9, 0xdb, 0xcc, 0x1c, 0x48, 0x65, 0x46, 0x1b, 0xfa, 0xc1, 0x7d, 0xdf, 0xde, 0x55};
constexpr ULONG kBlock = 16;

}  // namespace

// The key stays empty (ready() false) when any step fails.
RawSealBaseline::RawSealBaseline()
{
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(aes_.put(), BCRYPT_AES_ALGORITHM, MS_PRIMITIVE_PROVIDER, 0))) {
        aes_.release();
        return;
    }
    if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(aes_.get(), key_.put(), nullptr, 0, const_cast<PUCHAR>(kKey),
                                                   sizeof(kKey), 0))) {
        key_.release();
        return;
    }
    if (!BCRYPT_SUCCESS(BCryptSetProperty(key_.get(), BCRYPT_CHAINING_MODE,
                                          reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC)),
                                          sizeof(BCRYPT_CHAIN_MODE_CBC), 0))) {
        key_.reset();
    }
}

std::vector<std::uint8_t> RawSealBaseline::seal(std::span<const std::uint8_t> bytes) const
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> deflated(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = deflated.data();
    stream.avail_out = static_cast<uInt>(deflated.size());
    const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    deflated.resize(done ? stream.total_out : 0);
    deflateEnd(&stream);
    return done ? crypt(true, deflated) : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> RawSealBaseline::open(std::span<const std::uint8_t> sealed, std::size_t original_size) const
{
    const std::vector<std::uint8_t> deflated = crypt(false, sealed);
    std::vector<std::uint8_t> bytes(original_size);
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = const_cast<Bytef*>(deflated.data());
    stream.avail_in = static_cast<uInt>(deflated.size());
    stream.next_out = bytes.data();
    stream.avail_out = static_cast<uInt>(bytes.size());
    const bool done = inflate(&stream, Z_FINISH) == Z_STREAM_END;
    inflateEnd(&stream);
    return done ? bytes : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> RawSealBaseline::crypt(bool encrypt, std::span<const std::uint8_t> input) const
{
    UCHAR iv[kBlock] = {};
    std::vector<std::uint8_t> output(input.size() + kBlock);
    ULONG size = 0;
    const auto data = const_cast<PUCHAR>(input.data());
    const auto length = static_cast<ULONG>(input.size());
    const auto capacity = static_cast<ULONG>(output.size());
    const ULONG padding = BCRYPT_BLOCK_PADDING;
    const NTSTATUS status =
        encrypt ? BCryptEncrypt(key_.get(), data, length, nullptr, iv, kBlock, output.data(), capacity, &size, padding)
                : BCryptDecrypt(key_.get(), data, length, nullptr, iv, kBlock, output.data(), capacity, &size, padding);
    output.resize(BCRYPT_SUCCESS(status) ? size : 0);
    return output;
}

}  // namespace qev::bench
