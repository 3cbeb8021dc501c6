#pragma once

#include <windows.h>

#include <objbase.h>

#include <string>

#include "base/unique_handle.h"

namespace qev::base {

// Memory COM allocated on our behalf (CoTaskMemAlloc, GetId, StringFromCLSID and the like).
template <typename T>
using UniqueCoTaskMem = UniqueHandle<T*, &::CoTaskMemFree>;
using CoTaskString = UniqueCoTaskMem<wchar_t>;

inline std::wstring to_wstring(const CoTaskString& text)
{
    return text ? std::wstring(text.get()) : std::wstring();
}

}  // namespace qev::base
