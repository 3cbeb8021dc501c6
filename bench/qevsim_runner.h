#pragma once

#include <string>

namespace qev::bench {

// "Z:\..." form of a Unix path (Wine maps the Unix root to Z:).
std::wstring windows_path(const std::string& unixPath);

// Runs the simulator's tool (QEVSIM_PATH) with the arguments; true when it exits with 0.
bool run_qevsim(const std::wstring& arguments);

}  // namespace qev::bench
