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

INSTANTIATE_TEST_SUITE_P(Inputs, RoundTrips,
                         ::testing::Values(RoundTrip{"OneByte", {0x5A}}, RoundTrip{"OneBlock", test::tone(32768)},
                                           RoundTrip{"BlockAndOneByte", test::tone(32769)},
                                           RoundTrip{"ManyBlocks", test::tone(300000)},
                                           RoundTrip{"Incompressible", random_bytes(100000)}),
                         [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

// A fresh compressor and decompressor, 40000 bytes to compress and their image.
struct Api {
    COMPRESSOR_HANDLE compressor = nullptr;
    DECOMPRESSOR_HANDLE decompressor = nullptr;
    Bytes input = test::tone(40000);
    Bytes image = compress(input);
    SIZE_T size = 0;

    BOOL decompress_into(std::size_t out_size, std::size_t image_size)
    {
        Bytes out(out_size);
        return Decompress(decompressor, image.data(), image_size, out.data(), out.size(), &size);
    }
};

struct ApiFailure {
    const char* name;
    std::function<BOOL(Api&)> call;
    DWORD error;
    SIZE_T reported_size;  // what the size out-parameter holds afterwards
};

class ApiFailures : public ::testing::TestWithParam<ApiFailure> {};

TEST_P(ApiFailures, FailAsDocumented)
{
    Api api;
    ASSERT_TRUE(CreateCompressor(COMPRESS_ALGORITHM_MSZIP, nullptr, &api.compressor));
    ASSERT_TRUE(CreateDecompressor(COMPRESS_ALGORITHM_MSZIP, nullptr, &api.decompressor));

    SetLastError(0);
    EXPECT_FALSE(GetParam().call(api));
    EXPECT_EQ(GetLastError(), GetParam().error);
    EXPECT_EQ(api.size, GetParam().reported_size);
    CloseCompressor(api.compressor);
    CloseDecompressor(api.decompressor);
}

// The stand-in's bound: header, data, and per block a block header, "CK" and a stored-block header.
constexpr SIZE_T kBound = 16 + 40000 + 2 * (8 + 2 + 5);

INSTANTIATE_TEST_SUITE_P(
    Calls, ApiFailures,
    ::testing::Values(
        ApiFailure{"CompressSizeQuery",
                   [](Api& a) { return Compress(a.compressor, a.input.data(), 40000, nullptr, 0, &a.size); },
                   ERROR_INSUFFICIENT_BUFFER, kBound},
        ApiFailure{"DecompressIntoSmallBuffer", [](Api& a) { return a.decompress_into(39999, a.image.size()); },
                   ERROR_INSUFFICIENT_BUFFER, 40000},
        ApiFailure{"DecompressCorruptBlock",
                   [](Api& a) {
                       a.image[40] ^= 0xFF;
                       return a.decompress_into(40000, a.image.size());
                   },
                   kBadCompressionBuffer, 0},
        ApiFailure{"DecompressTruncated", [](Api& a) { return a.decompress_into(40000, a.image.size() - 1); },
                   kBadCompressionBuffer, 0},
        ApiFailure{"CompressWithDecompressor",
                   [](Api& a) { return Compress(a.decompressor, a.input.data(), 4, nullptr, 0, &a.size); },
                   ERROR_INVALID_HANDLE, 0},
        ApiFailure{"CloseTwice",
                   [](Api& a) {
                       CloseDecompressor(a.decompressor);
                       return CloseDecompressor(a.decompressor);
                   },
                   ERROR_INVALID_HANDLE, 0},
        ApiFailure{"CreateInvalidAlgorithm",
                   [](Api&) {
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

INSTANTIATE_TEST_SUITE_P(Images, CodecFailures,
                         ::testing::Values(CodecFailure{"NotAnImage", random_bytes(64),
                                                        "Failed to get decompress data size, err: 0x0000025D\n"},
                                           CodecFailure{"DamagedBlock", damaged_image(),
                                                        "Failed to get decompress data, err: 0x0000025D\n"}),
                         [](const ::testing::TestParamInfo<CodecFailure>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qev::vpnr
