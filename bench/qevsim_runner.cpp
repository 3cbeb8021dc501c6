#include "qevsim_runner.h"

#include "base/unique_handle.h"

#include <windows.h>

namespace qev::bench {

std::wstring windows_path(const std::string& unixPath)
{
    std::wstring path = L"Z:";
    for (const char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

bool run_qevsim(const std::wstring& arguments)
{
    std::wstring line = L"\"" + windows_path(QEVSIM_PATH) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    const base::UniqueKernelHandle processHandle(process.hProcess);
    const base::UniqueKernelHandle threadHandle(process.hThread);
    DWORD code = 1;
    return WaitForSingleObject(processHandle.get(), 120000) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(processHandle.get(), &code) && code == 0;
}

}  // namespace qev::bench
