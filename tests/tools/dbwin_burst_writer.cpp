// Test helper: writes COUNT numbered debugger-output lines "TAG N\n" (N from 0) as fast as it can.
// Usage: dbwin_burst_writer TAG COUNT
#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        return 2;
    }
    const unsigned long count = std::strtoul(argv[2], nullptr, 10);
    for (unsigned long i = 0; i < count; ++i) {
        OutputDebugStringA((std::string(argv[1]) + " " + std::to_string(i) + "\n").c_str());
    }
    return 0;
}
