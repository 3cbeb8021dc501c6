#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace qev::vpnr {

// Strict conversions between narrow text in one code page and UTF-16: a character that has no
// exact counterpart fails the conversion (GetLastError tells why) and leaves the output alone.
bool narrow_to_wide(UINT code_page, std::string_view text, std::wstring& out);
bool wide_to_narrow(UINT code_page, std::wstring_view text, std::string& out);

// The code page in which narrow file names are read and written: UTF-8 when the C locale uses
// code page 65001, otherwise the ANSI or OEM code page, whichever the file APIs are set to.
UINT file_api_code_page();

}  // namespace qev::vpnr
