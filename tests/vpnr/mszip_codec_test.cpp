#include "vpnr/mszip_codec.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <compressapi.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "debug_output_capture.h"
#include "recording_fixture.h"

namespace qev::vpnr {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ERROR_BAD_COMPRESSION_BUFFER of the Windows SDK (mingw-w64 lacks it).
constexpr DWORD kBadCompressionBuffer = 605;

std::uint32_t u32_at(const Bytes& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    std::memcpy(&value, &bytes[offset], 4);
    return value;
}

// Inflates every MSZIP block of the image with plain zlib as [MS-MCI] describes them: "CK", then
// a deflate stream ending in a final block, at most 32 KiB of output, the history carried over.
Bytes inflate_blocks(const Bytes& image)
{
    Bytes out;
    std::size_t position = 16;
    while (position + 8 <= image.size()) {
        const std::uint32_t size = u32_at(image, position);
        const std::uint32_t expands = u32_at(image, position + 4);
        const std::size_t block = position + 8;
        if (expands > 32768 || size > 32768 + 12 || image[block] != 'C' || image[block + 1] != 'K') {
            return {};
        }
        z_stream stream{};
        inflateInit2(&stream, -15);
        const std::size_t history = std::min<std::size_t>(out.size(), 32768);
        if (history > 0) {
            inflateSetDictionary(&stream, out.data() + out.size() - history, static_cast<uInt>(history));
        }
        out.resize(out.size() + expands);
        stream.next_in = const_cast<Bytef*>(&image[block + 2]);
        stream.avail_in = size - 2;
        stream.next_out = out.data() + out.size() - expands;
        stream.avail_out = expands;
        const bool whole = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_in == 0 && stream.avail_out == 0;
        inflateEnd(&stream);
        if (!whole) {
            return {};
        }
        position = block + size;
    }
    return position == image.size() ? out : Bytes{};
}

Bytes random_bytes(std::size_t size)
{
    std::mt19937 generator(7);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

struct RoundTrip {
    const char* name;
    Bytes input;
};

class RoundTrips : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RoundTrips, GiveBackTheBytesInMszipBlocks)
{
    const Bytes& input = GetParam().input;
    const Bytes image = compress(input);

    EXPECT_EQ(decompress(image), input);
    EXPECT_EQ(inflate_blocks(image), input);
    EXPECT_LE(image.size(), input.size() + 16 + (input.size() / 32768 + 1) * 15);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RoundTrips,
    ::testing::Values(RoundTrip{"OneByte", {0x5A}}, RoundTrip{"OneBlock", test::tone(32768)},
                      RoundTrip{"BlockAndOneByte", test::tone(32769)}, RoundTrip{"ManyBlocks", test::tone(300000)},
                      RoundTrip{"Incompressible", random_bytes(100000)}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

struct ApiFailure {
    const char* name;
    // Runs one call on a fresh compressor or decompressor and an image of 40000 bytes.
    std::function<BOOL(COMPRESSOR_HANDLE compressor, DECOMPRESSOR_HANDLE decompressor, Bytes& image, SIZE_T* size)> call;
    DWORD error;
    SIZE_T reported_size;  // what *size holds afterwards
};

class ApiFailures : public ::testing::TestWithParam<ApiFailure> {};

TEST_P(ApiFailures, FailAsDocumented)
{
    COMPRESSOR_HANDLE compressor = nullptr;
    DECOMPRESSOR_HANDLE decompressor = nullptr;
    ASSERT_TRUE(CreateCompressor(COMPRESS_ALGORITHM_MSZIP, nullptr, &compressor));
    ASSERT_TRUE(CreateDecompressor(COMPRESS_ALGORITHM_MSZIP, nullptr, &decompressor));
    Bytes image = compress(test::tone(40000));
    SIZE_T size = 0;

    SetLastError(0);
    EXPECT_FALSE(GetParam().call(compressor, decompressor, image, &size));
    EXPECT_EQ(GetLastError(), GetParam().error);
    EXPECT_EQ(size, GetParam().reported_size);
    CloseCompressor(compressor);
    CloseDecompressor(decompressor);
}

const Bytes kInput = test::tone(40000);
// The stand-in reports its bound: header, data, and per block a block header, "CK" and a stored-block header.
constexpr SIZE_T kBound = 16 + 40000 + 2 * (8 + 2 + 5);

INSTANTIATE_TEST_SUITE_P(
    Calls, ApiFailures,
    ::testing::Values(
        ApiFailure{"CompressSizeQuery",
                   [](auto c, auto, auto&, SIZE_T* s) { return Compress(c, const_cast<std::uint8_t*>(kInput.data()), 40000, nullptr, 0, s); },
                   ERROR_INSUFFICIENT_BUFFER, kBound},
        ApiFailure{"DecompressIntoSmallBuffer",
                   [](auto, auto d, Bytes& i, SIZE_T* s) {
                       Bytes out(39999);
                       return Decompress(d, i.data(), i.size(), out.data(), out.size(), s);
                   },
                   ERROR_INSUFFICIENT_BUFFER, 40000},
        ApiFailure{"DecompressCorruptBlock",
                   [](auto, auto d, Bytes& i, SIZE_T* s) {
                       i[40] ^= 0xFF;
                       Bytes out(40000);
                       return Decompress(d, i.data(), i.size(), out.data(), out.size(), s);
                   },
                   kBadCompressionBuffer, 0},
        ApiFailure{"DecompressTruncated",
                   [](auto, auto d, Bytes& i, SIZE_T* s) {
                       Bytes out(40000);
                       return Decompress(d, i.data(), i.size() - 1, out.data(), out.size(), s);
                   },
                   kBadCompressionBuffer, 0},
        ApiFailure{"CompressWithDecompressor",
                   [](auto, auto d, auto&, SIZE_T* s) { return Compress(d, const_cast<std::uint8_t*>(kInput.data()), 4, nullptr, 0, s); },
                   ERROR_INVALID_HANDLE, 0},
        ApiFailure{"CompressAfterClose",
                   [](auto c, auto, auto&, SIZE_T* s) {
                       CloseCompressor(c);
                       return Compress(c, const_cast<std::uint8_t*>(kInput.data()), 4, nullptr, 0, s);
                   },
                   ERROR_INVALID_HANDLE, 0},
        ApiFailure{"CloseTwice",
                   [](auto, auto d, auto&, SIZE_T*) {
                       CloseDecompressor(d);
                       return CloseDecompressor(d);
                   },
                   ERROR_INVALID_HANDLE, 0},
        ApiFailure{"CreateWithoutHandle",
                   [](auto, auto, auto&, SIZE_T*) { return CreateCompressor(COMPRESS_ALGORITHM_MSZIP, nullptr, nullptr); },
                   ERROR_INVALID_PARAMETER, 0},
        ApiFailure{"CreateInvalidAlgorithm",
                   [](auto, auto, auto&, SIZE_T*) {
                       COMPRESSOR_HANDLE h = nullptr;
                       return CreateDecompressor(COMPRESS_ALGORITHM_INVALID, nullptr, &h);
                   },
                   ERROR_INVALID_PARAMETER, 0}),
    [](const ::testing::TestParamInfo<ApiFailure>& info) { return std::string(info.param.name); });

struct CodecFailure {
    const char* name;
    Bytes image;
    std::string message;
};

class CodecFailures : public ::testing::TestWithParam<CodecFailure> {};

TEST_P(CodecFailures, AreLoggedAndGiveNothing)
{
    DebugOutputCapture capture;
    EXPECT_TRUE(decompress(GetParam().image).empty());
    EXPECT_TRUE(capture.contains("[qev] " + GetParam().message));
}

Bytes damaged_image()
{
    Bytes image = compress(test::tone(40000));
    image[30] ^= 0x55;
    return image;
}

INSTANTIATE_TEST_SUITE_P(
    Images, CodecFailures,
    ::testing::Values(CodecFailure{"NotAnImage", random_bytes(64), "Failed to get decompress data size, err: 0x0000025D\n"},
                      CodecFailure{"DamagedBlock", damaged_image(), "Failed to get decompress data, err: 0x0000025D\n"}),
    [](const ::testing::TestParamInfo<CodecFailure>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qev::vpnr
