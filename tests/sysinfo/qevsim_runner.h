#pragma once

#include <string>
#include <vector>

namespace qev::sysinfo::test {

// What one run of the simulator's control tool reported.
struct QevsimRun {
    int exit_code = -1;
    std::string output;  // standard output and error together
};

// Runs the build's qevsim.exe with the arguments (each quoted) and waits for it to end.
QevsimRun RunQevsim(const std::vector<std::wstring>& args);

// The Windows path ("Z:\...") of a Unix path; Wine maps the Unix root to drive Z:.
std::wstring WindowsPathOf(const std::string& unix_path);

// The Windows path of sim/machines/<name>.reg.
std::wstring MachineFile(const std::string& name);

}  // namespace qev::sysinfo::test
