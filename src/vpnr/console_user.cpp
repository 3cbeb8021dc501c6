#include "vpnr/console_user.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <wtsapi32.h>

#include <algorithm>
#include <cwctype>

namespace qev::vpnr {

std::wstring console_user_name()
{
    base::UniqueHandle<wchar_t*, &::WTSFreeMemory> buffer;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(), WTSUserName,
                                     buffer.put(), &bytes)) {
        return std::wstring();
    }
    std::wstring name(buffer ? buffer.get() : L"");
    name.erase(std::remove_if(name.begin(), name.end(), [](wchar_t c) { return std::iswspace(c) != 0; }), name.end());
    return name;
}

}  // namespace qev::vpnr
