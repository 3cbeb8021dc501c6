#include "vpnr/mszip_codec.h"

#include <windows.h>
#include <compressapi.h>

#include <new>

#include "base/logging.h"
#include "base/unique_handle.h"

namespace qev::vpnr {

namespace {

using UniqueCompressor = base::UniqueHandle<COMPRESSOR_HANDLE, &::CloseCompressor>;
using UniqueDecompressor = base::UniqueHandle<DECOMPRESSOR_HANDLE, &::CloseDecompressor>;

// One direction of the codec: the API calls and the messages for their failures.
struct Direction {
    using Create = BOOL(WINAPI*)(DWORD, PCOMPRESS_ALLOCATION_ROUTINES, COMPRESSOR_HANDLE*);
    using Process = BOOL(WINAPI*)(COMPRESSOR_HANDLE, PVOID, SIZE_T, PVOID, SIZE_T, PSIZE_T);
    Create create;
    Process process;
    const char* create_failed;
    const char* size_failed;
    const char* allocation_failed;
    const char* process_failed;
};

// The MSVC headers declare the input as const, mingw-w64's not: adapt both to one signature.
BOOL WINAPI compress_call(COMPRESSOR_HANDLE handle, PVOID in, SIZE_T in_size, PVOID out, SIZE_T out_size, PSIZE_T size)
{
    return ::Compress(handle, in, in_size, out, out_size, size);
}

BOOL WINAPI decompress_call(DECOMPRESSOR_HANDLE handle, PVOID in, SIZE_T in_size, PVOID out, SIZE_T out_size,
                            PSIZE_T size)
{
    return ::Decompress(handle, in, in_size, out, out_size, size);
}

const Direction kCompress{&::CreateCompressor,
                          &compress_call,
                          "Failed to create compressor, err: 0x%08X\n",
                          "Failed to get required size, err: 0x%08X\n",
                          "Failed to allocate memory for compressed file\n",
                          "Failed to compress data, err: 0x%08X\n"};
const Direction kDecompress{&::CreateDecompressor,
                            &decompress_call,
                            "Failed to create decompressor, err: 0x%08X\n",
                            "Failed to get decompress data size, err: 0x%08X\n",
                            "Failed to allocate memory for decompressed data, err: 0x%08X\n",
                            "Failed to get decompress data, err: 0x%08X\n"};

// Buffer mode: a first call without output reports the size with ERROR_INSUFFICIENT_BUFFER,
// the second fills a buffer of that size.
template <typename UniqueCodec>
std::vector<std::uint8_t> run(const Direction& direction, std::span<const std::uint8_t> input)
{
    UniqueCodec codec;
    if (!direction.create(COMPRESS_ALGORITHM_MSZIP, nullptr, codec.put())) {
        const DWORD error = ::GetLastError();
        codec.release();
        base::log_printf(direction.create_failed, error);
        return {};
    }
    const auto data = const_cast<std::uint8_t*>(input.data());
    SIZE_T needed = 0;
    if (direction.process(codec.get(), data, input.size(), nullptr, 0, &needed) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        base::log_printf(direction.size_failed, ::GetLastError());
        return {};
    }
    std::vector<std::uint8_t> output;
    try {
        output.assign(needed, 0);
    } catch (const std::bad_alloc&) {
        base::log_printf(direction.allocation_failed, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        return {};
    }
    SIZE_T produced = 0;
    if (!direction.process(codec.get(), data, input.size(), output.data(), output.size(), &produced)) {
        base::log_printf(direction.process_failed, ::GetLastError());
        return {};
    }
    output.resize(produced);
    return output;
}

}  // namespace

std::vector<std::uint8_t> compress(std::span<const std::uint8_t> bytes)
{
    return run<UniqueCompressor>(kCompress, bytes);
}

std::vector<std::uint8_t> decompress(std::span<const std::uint8_t> bytes)
{
    return run<UniqueDecompressor>(kDecompress, bytes);
}

}  // namespace qev::vpnr
