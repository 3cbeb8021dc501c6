#include "effects/settings/property_key_text.h"

#include <propsys.h>

#include <iterator>

#include "base/logging.h"

namespace qev::effects {

bool PropertyKeyFromText(const std::wstring& text, PROPERTYKEY& key)
{
    PROPERTYKEY converted{};
    if (FAILED(PSPropertyKeyFromString(text.c_str(), &converted))) {
        base::log_wprintf(L"Failed to convert to property key\n");
        return false;
    }
    key = converted;
    return true;
}

std::wstring PropertyKeyToText(const PROPERTYKEY& key)
{
    wchar_t fmtid[39] = {};
    StringFromGUID2(key.fmtid, fmtid, static_cast<int>(std::size(fmtid)));
    return std::wstring(fmtid) + L"," + std::to_wstring(key.pid);
}

}  // namespace qev::effects
