#pragma once

#include <windows.h>

#include <objbase.h>

#include <memory>
#include <string>

namespace qev::winaudio {

struct CoTaskMemDeleter {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// A wide string allocated by COM on our behalf (GetId and the like).
using CoTaskString = std::unique_ptr<wchar_t, CoTaskMemDeleter>;

inline std::wstring ToWString(const CoTaskString& text)
{
    return text ? std::wstring(text.get()) : std::wstring();
}

}  // namespace qev::winaudio
