#include "sysinfo/apo_identifiers.h"

#include <cwctype>
#include <iterator>

namespace qev::sysinfo {

const ApoKeyPaths& GetApoKeyPaths()
{
    static const ApoKeyPaths paths{
        L"SYSTEM\\CurrentControlSet\\Control\\Class\\{5989fce8-9cd0-467d-8a6a-5419e31529d4}",
        L"SOFTWARE\\Classes\\CLSID",
        L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM",
    };
    return paths;
}

bool IsBracedGuid(const std::wstring& text)
{
    constexpr wchar_t kShape[] = L"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (text.size() != std::size(kShape) - 1) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool matches = kShape[i] == L'x' ? std::iswxdigit(text[i]) != 0 : text[i] == kShape[i];
        if (!matches) {
            return false;
        }
    }
    return true;
}

std::wstring InProcServerKey(const std::wstring& clsid)
{
    return GetApoKeyPaths().clsid_key + L"\\" + clsid + L"\\InProcServer32";
}

}  // namespace qev::sysinfo
