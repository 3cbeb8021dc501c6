#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qev::sysinfo {

// The lines of an INF file as wide text. INF files come as UTF-16 (with byte-order mark), UTF-8 or
// the ANSI code page; each is decoded so that keywords match whichever form the driver package uses.
// Line ends (CR LF or LF) are removed. Nothing when the file cannot be opened or read.
std::optional<std::vector<std::wstring>> ReadInfLines(const std::wstring& path);

}  // namespace qev::sysinfo
