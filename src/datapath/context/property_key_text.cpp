#include "datapath/context/property_key_text.h"

#include <objbase.h>

#include <cstdlib>

namespace qev::datapath {

bool ParsePropertyKeyText(const std::wstring& text, PROPERTYKEY* key)
{
    const size_t comma = text.find(L',');
    if (comma == std::wstring::npos) {
        return false;
    }
    const std::wstring guid = text.substr(0, comma);
    CLSID fmtid{};
    if (FAILED(CLSIDFromString(guid.c_str(), &fmtid))) {
        return false;
    }
    key->fmtid = fmtid;
    key->pid = static_cast<DWORD>(_wtoi(text.c_str() + comma + 1));
    return true;
}

}  // namespace qev::datapath
