#pragma once

#include <string>
#include <vector>

namespace qevsim {

// The qevsim commands: parses one command line, runs it, prints the result. Returns the process
// exit code: 0 done, 1 the command failed, 2 bad usage.
class CommandLine {
public:
    static int run(const std::vector<std::wstring>& args);
    static std::wstring usage();

private:
    static int runMachineCommand(const std::vector<std::wstring>& args);
    static int runSessionCommand(const std::vector<std::wstring>& args);
    // process-start/-end and service-start/-stop/-install.
    static int runProcessCommand(const std::vector<std::wstring>& args);
    static int setSwitch(const std::wstring& name, const std::wstring& value);
    static int registerServer();
    // Gives the executables Wine's per-application override dll=native,builtin.
    static int useStandIn(const std::wstring& dll, const std::vector<std::wstring>& executables);
};

// Writes text (UTF-8) to standard output or standard error.
void printOut(const std::wstring& text);
void printError(const std::wstring& text);

}  // namespace qevsim
