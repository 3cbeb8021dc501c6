#pragma once

#include <string>
#include <string_view>

namespace qev::e2e {

// The Windows path ("Z:\...") of a file given relative to the build tree, e.g. "tools/qevlog.exe".
std::wstring build_file(std::wstring_view relative);

}  // namespace qev::e2e
