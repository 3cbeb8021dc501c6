#pragma once

#include <cstdint>
#include <string_view>

namespace qev::rpc {

// 64-bit FNV-1a over the text up to its first NUL. Bytes are taken as signed char and sign-extended,
// so bytes of 0x80 and above hash differently from their unsigned value; clients rely on this.
constexpr uint64_t fnv1a_hash(std::string_view text)
{
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char byte : text) {
        if (byte == '\0') {
            break;
        }
        hash ^= static_cast<uint64_t>(static_cast<int64_t>(static_cast<signed char>(byte)));
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

}  // namespace qev::rpc
