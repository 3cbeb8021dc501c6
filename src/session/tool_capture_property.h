#pragma once

#include <windows.h>

#include <string>

namespace qev::session {

// Tells the APO of a capture endpoint that the audio tool records through it: the value 1 (or 0
// when it stopped) under "{f673a129-2683-4be8-b889-3a40071f9d93},59", in the FX store before
// Windows 11 and in the volatile per-APO store from build 22000 on.
void write_tool_capture_flag(const std::wstring& endpointId, DWORD value, unsigned buildNumber);

}  // namespace qev::session
