#pragma once

#include <windows.h>

#include <string>

namespace qev::winsys {

// The system's message for a Windows error code, as FormatMessageW gives it; empty when it has none.
std::wstring system_error_text(DWORD code);

}  // namespace qev::winsys
