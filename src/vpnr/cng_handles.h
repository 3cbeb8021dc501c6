#pragma once

#include <windows.h>
#include <bcrypt.h>

#include "winsys/unique_handle.h"

namespace qev::vpnr {

struct AlgorithmProviderTraits {
    using pointer = BCRYPT_ALG_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::BCryptCloseAlgorithmProvider(value, 0); }
};

struct CngKeyTraits {
    using pointer = BCRYPT_KEY_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer value) noexcept { return value != nullptr; }
    static void close(pointer value) noexcept { ::BCryptDestroyKey(value); }
};

using UniqueAlgorithmProvider = winsys::UniqueHandle<AlgorithmProviderTraits>;
using UniqueCngKey = winsys::UniqueHandle<CngKeyTraits>;

}  // namespace qev::vpnr
