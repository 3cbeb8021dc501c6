#pragma once

#include <string>

namespace qevsim {

// The folder qevsim.exe runs from, with a trailing backslash: the simulator's other programs and
// DLLs are built beside it.
std::wstring ownFolder();

}  // namespace qevsim
