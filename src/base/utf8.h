#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace qev::base {

// UTF-16 <-> UTF-8. Invalid sequences become U+FFFD; neither direction fails.
std::string utf8_from_wide(std::wstring_view text);
std::wstring wide_from_utf8(std::string_view text);

// Text in a Windows code page; with MB_ERR_INVALID_CHARS in `flags`, nothing when the bytes are not
// valid in it.
std::optional<std::wstring> wide_from_code_page(std::string_view bytes, UINT code_page, DWORD flags);

}  // namespace qev::base
