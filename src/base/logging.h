#pragma once

namespace qev::base {

// Diagnostic lines go to the debugger output, prefixed "[qev] ". No levels, no file, no truncation.
// A malformed format produces no output.
void log_printf(const char* format, ...);
void log_wprintf(const wchar_t* format, ...);

}  // namespace qev::base
