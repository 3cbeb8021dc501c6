// qevsim: loads, shows and changes the simulated audio machine of this Wine prefix.
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "command_line.h"

int wmain(int argc, wchar_t** argv)
{
    try {
        std::vector<std::wstring> args(argv + 1, argv + argc);
        return qevsim::CommandLine::run(args);
    } catch (const std::exception& e) {
        const std::string what = e.what();
        qevsim::printError(L"qevsim: " + std::wstring(what.begin(), what.end()) + L"\n");
        return 1;
    }
}
