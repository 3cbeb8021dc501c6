#pragma once

#include "base/unique_handle.h"

#include <string>

namespace qev::sysinfo {

// HKEY_LOCAL_MACHINE\subkey opened with KEY_READ; empty when it does not open.
base::UniqueRegKey OpenLocalMachineKey(const std::wstring& subkey);

// True when HKEY_LOCAL_MACHINE\subkey opens for reading.
bool LocalMachineKeyOpens(const std::wstring& subkey);

}  // namespace qev::sysinfo
