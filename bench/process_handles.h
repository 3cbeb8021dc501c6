#pragma once

#include <windows.h>

#include <optional>

namespace qev::bench {

// Open handles of another process. Wine answers GetProcessHandleCount with 0, so the handle values
// that can be duplicated out of the process (or exist but refuse it) are counted instead; that
// takes a few seconds.
std::optional<DWORD> count_process_handles(DWORD pid);

}  // namespace qev::bench
