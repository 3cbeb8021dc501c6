#pragma once

#include <windows.h>

#include <propsys.h>

#include <string>

namespace qev::datapath {

// Converts "{fmtid},pid" the way the back-ends do: split at the first comma, the GUID through
// CLSIDFromString, the id through _wtoi. No comma, an empty text or an invalid GUID gives false
// and leaves `key` untouched.
bool ParsePropertyKeyText(const std::wstring& text, PROPERTYKEY* key);

}  // namespace qev::datapath
