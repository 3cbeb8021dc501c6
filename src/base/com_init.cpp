#include "base/com_init.h"

#include <objbase.h>

namespace qev::base {

ComInit::ComInit(DWORD flags, std::optional<DWORD> fallback_flags) noexcept : result_(CoInitializeEx(nullptr, flags))
{
    if (result_ == RPC_E_CHANGED_MODE && fallback_flags) {
        result_ = CoInitializeEx(nullptr, *fallback_flags);
    }
}

ComInit::~ComInit()
{
    if (initialized()) {
        CoUninitialize();
    }
}

HRESULT ComInit::for_thread_lifetime(DWORD flags) noexcept
{
    return CoInitializeEx(nullptr, flags);
}

}  // namespace qev::base
