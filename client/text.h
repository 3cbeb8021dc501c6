#pragma once

#include <string>
#include <string_view>

namespace qev::client {

// UTF-8 <-> UTF-16 for pipe names, device names and command lines; invalid input converts to "".
std::string to_utf8(std::wstring_view text);
std::wstring to_wide(std::string_view text);

}  // namespace qev::client
