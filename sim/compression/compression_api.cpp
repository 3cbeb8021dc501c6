// cabinet.dll for processes on the simulated machine: Wine 8's cabinet.dll has no Compression
// API, so this one implements buffer-mode MSZIP on zlib and passes every other export to Wine's
// own (see forwarded_exports.h). The failures follow the Compression API reference pages.
#include <windows.h>
#include <compressapi.h>

#include <memory>
#include <span>

#include "codec_handle_table.h"
#include "forwarded_exports.h"

namespace {

BOOL fail(DWORD error)
{
    ::SetLastError(error);
    return FALSE;
}

// Only buffer-mode MSZIP is served; the other documented algorithms and block mode
// (COMPRESS_RAW) are not, and say so rather than produce another format.
DWORD checkAlgorithm(DWORD algorithm)
{
    const DWORD base = algorithm & ~static_cast<DWORD>(COMPRESS_RAW);
    if (base <= COMPRESS_ALGORITHM_NULL || base >= COMPRESS_ALGORITHM_MAX) {
        return ERROR_INVALID_PARAMETER;
    }
    return algorithm == COMPRESS_ALGORITHM_MSZIP ? ERROR_SUCCESS : ERROR_NOT_SUPPORTED;
}

template <typename Codec>
BOOL create(DWORD algorithm, COMPRESSOR_HANDLE* handle, void* (qevsim::CodecHandleTable::*add)(std::unique_ptr<Codec>))
{
    if (handle == nullptr) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    if (const DWORD error = checkAlgorithm(algorithm); error != ERROR_SUCCESS) {
        return fail(error);
    }
    auto codec = std::make_unique<Codec>();
    if (!codec->ready()) {
        return fail(ERROR_FUNCTION_FAILED);
    }
    *handle = static_cast<COMPRESSOR_HANDLE>((qevsim::CodecHandleTable::instance().*add)(std::move(codec)));
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI CreateCompressor(DWORD algorithm, PCOMPRESS_ALLOCATION_ROUTINES /*routines*/,
                                        PCOMPRESSOR_HANDLE handle)
{
    return create<qevsim::MszipEncoder>(algorithm, handle, &qevsim::CodecHandleTable::addEncoder);
}

extern "C" BOOL WINAPI CreateDecompressor(DWORD algorithm, PCOMPRESS_ALLOCATION_ROUTINES /*routines*/,
                                          PDECOMPRESSOR_HANDLE handle)
{
    return create<qevsim::MszipDecoder>(algorithm, handle, &qevsim::CodecHandleTable::addDecoder);
}

extern "C" BOOL WINAPI Compress(COMPRESSOR_HANDLE handle, PVOID data, SIZE_T dataSize, PVOID buffer, SIZE_T bufferSize,
                                PSIZE_T compressedSize)
{
    qevsim::MszipEncoder* const encoder = qevsim::CodecHandleTable::instance().encoder(handle);
    if (encoder == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    if (compressedSize == nullptr || (data == nullptr && dataSize != 0)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const std::size_t needed = qevsim::MszipEncoder::bound(dataSize);
    if (buffer == nullptr || bufferSize < needed) {
        *compressedSize = needed;
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    const std::size_t written = encoder->encode({static_cast<const std::uint8_t*>(data), dataSize},
                                                {static_cast<std::uint8_t*>(buffer), bufferSize});
    if (written == 0) {
        return fail(ERROR_FUNCTION_FAILED);
    }
    *compressedSize = written;
    return TRUE;
}

extern "C" BOOL WINAPI Decompress(DECOMPRESSOR_HANDLE handle, PVOID data, SIZE_T dataSize, PVOID buffer,
                                  SIZE_T bufferSize, PSIZE_T uncompressedSize)
{
    qevsim::MszipDecoder* const decoder = qevsim::CodecHandleTable::instance().decoder(handle);
    if (decoder == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    if (uncompressedSize == nullptr || (data == nullptr && dataSize != 0)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const std::span<const std::uint8_t> image(static_cast<const std::uint8_t*>(data), dataSize);
    const auto original = qevsim::MszipDecoder::originalSize(image);
    if (!original) {
        return fail(ERROR_BAD_COMPRESSION_BUFFER);
    }
    if (buffer == nullptr || bufferSize < *original) {
        *uncompressedSize = static_cast<SIZE_T>(*original);
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (const DWORD error = decoder->decode(image, {static_cast<std::uint8_t*>(buffer), bufferSize});
        error != ERROR_SUCCESS) {
        return fail(error);
    }
    *uncompressedSize = static_cast<SIZE_T>(*original);
    return TRUE;
}

extern "C" BOOL WINAPI CloseCompressor(COMPRESSOR_HANDLE handle)
{
    return qevsim::CodecHandleTable::instance().closeEncoder(handle) ? TRUE : fail(ERROR_INVALID_HANDLE);
}

extern "C" BOOL WINAPI CloseDecompressor(DECOMPRESSOR_HANDLE handle)
{
    return qevsim::CodecHandleTable::instance().closeDecoder(handle) ? TRUE : fail(ERROR_INVALID_HANDLE);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        qevsim::resolveForwardedExports(L"cabinet.dll");
    }
    return TRUE;
}
