#pragma once

#include <windows.h>
#include <bcrypt.h>

#include "base/unique_handle.h"

namespace qev::vpnr {

inline void close_algorithm_provider(BCRYPT_ALG_HANDLE provider) noexcept
{
    ::BCryptCloseAlgorithmProvider(provider, 0);
}

using UniqueAlgorithmProvider = base::UniqueHandle<BCRYPT_ALG_HANDLE, &close_algorithm_provider>;
using UniqueCngKey = base::UniqueHandle<BCRYPT_KEY_HANDLE, &::BCryptDestroyKey>;

}  // namespace qev::vpnr
