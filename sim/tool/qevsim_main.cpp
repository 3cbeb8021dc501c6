// qevsim: loads, shows and changes the simulated audio machine of this Wine prefix.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

constexpr int kFailed = 1;

std::wstring widen(const char* text)
{
    const std::string narrow = text != nullptr ? text : "";
    return std::wstring(narrow.begin(), narrow.end());
}

// A crash must not end the tool silently (callers see only an exit code): say what happened and
// exit with the ordinary failure code. Only async-safe work here: the process state is unknown.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* info)
{
    const DWORD code = info != nullptr && info->ExceptionRecord != nullptr ? info->ExceptionRecord->ExceptionCode : 0;
    char message[96];
    const int length = std::snprintf(message, sizeof(message), "qevsim: internal error, exception 0x%08lX\n",
                                     static_cast<unsigned long>(code));
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), message, length > 0 ? static_cast<DWORD>(length) : 0, &written,
                nullptr);
    ::TerminateProcess(::GetCurrentProcess(), kFailed);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::SetUnhandledExceptionFilter(&reportCrash);
    try {
        std::vector<std::wstring> args(argv + 1, argv + argc);
        return qevsim::CommandLine::run(args);
    } catch (const std::exception& e) {
        qevsim::printError(L"qevsim: internal error: " + widen(e.what()) + L"\n");
    } catch (...) {
        qevsim::printError(L"qevsim: internal error: unknown exception\n");
    }
    return kFailed;
}
