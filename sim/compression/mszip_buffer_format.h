#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// winerror.h of the Windows SDK has it; mingw-w64's does not.
#ifndef ERROR_BAD_COMPRESSION_BUFFER
#define ERROR_BAD_COMPRESSION_BUFFER 605L
#endif

namespace qevsim {

// Buffer-mode image written by the simulator's Compress (all integers little-endian):
//   header  "QMZ1", u32 algorithm (2 = MSZIP), u64 uncompressed size
//   blocks  u32 size of the MSZIP block, u32 bytes it expands to (1..32768), then the MSZIP block:
//           "CK" and RFC 1951 data whose last block is final; the history window carries over.
// Windows does not document its own buffer-mode framing, so this image is the simulator's; only
// the MSZIP blocks inside it follow [MS-MCI].
inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kBlockHeaderSize = 8;
inline constexpr std::size_t kMszipBlockLimit = 32768;
// [MS-MCI]: 32 KB split between two stored RFC 1951 blocks, with the signature.
inline constexpr std::size_t kMszipBlockMaxSize = kMszipBlockLimit + 12;
inline constexpr std::uint8_t kHeaderSignature[4] = {'Q', 'M', 'Z', '1'};
inline constexpr std::uint8_t kBlockSignature[2] = {'C', 'K'};
inline constexpr std::uint32_t kMszipAlgorithm = 2;

inline void putLe(std::uint8_t* out, std::uint64_t value, std::size_t bytes)
{
    for (std::size_t i = 0; i < bytes; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline std::uint64_t getLe(const std::uint8_t* in, std::size_t bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    }
    return value;
}

}  // namespace qevsim
