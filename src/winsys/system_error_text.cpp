#include "winsys/system_error_text.h"

#include "base/unique_handle.h"

namespace qev::winsys {

std::wstring system_error_text(DWORD code)
{
    base::UniqueLocalPtr<wchar_t> buffer;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
                                        reinterpret_cast<LPWSTR>(buffer.put()), 0, nullptr);
    if (length == 0 || !buffer) {
        return std::wstring();
    }
    return std::wstring(buffer.get(), length);
}

}  // namespace qev::winsys
