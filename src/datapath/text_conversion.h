#pragma once

#include <string>
#include <string_view>

// UTF-16 <-> UTF-8, the encoding of every narrow name exchanged with clients. Invalid input
// sequences become U+FFFD; neither direction fails.
std::string utf8_from_wide(std::wstring_view text);
std::wstring wide_from_utf8(std::string_view text);
