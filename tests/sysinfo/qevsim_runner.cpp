#include "qevsim_runner.h"

#include "base/unique_handle.h"

#include <windows.h>

namespace qev::sysinfo::test {
namespace {

constexpr DWORD kExitTimeoutMilliseconds = 60000;

std::wstring Quote(const std::wstring& arg)
{
    return L"\"" + arg + L"\"";
}

}  // namespace

std::wstring WindowsPathOf(const std::string& unix_path)
{
    std::wstring path = L"Z:";
    for (const char c : unix_path) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return path;
}

std::wstring MachineFile(const std::string& name)
{
    return WindowsPathOf(std::string(QEV_MACHINES_DIR) + "/" + name + ".reg");
}

QevsimRun RunQevsim(const std::vector<std::wstring>& args)
{
    QevsimRun run;
    std::wstring command_line = Quote(WindowsPathOf(QEVSIM_PATH));
    for (const std::wstring& arg : args) {
        command_line += L" " + Quote(arg);
    }
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read_raw = nullptr;
    HANDLE write_raw = nullptr;
    if (!CreatePipe(&read_raw, &write_raw, &inherit, 0)) {
        run.output = "could not make a pipe, error " + std::to_string(GetLastError());
        return run;
    }
    const base::UniqueKernelHandle read_end(read_raw);
    base::UniqueKernelHandle write_end(write_raw);
    SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end.get();
    startup.hStdError = write_end.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        run.output = "could not start qevsim, error " + std::to_string(GetLastError());
        return run;
    }
    const base::UniqueKernelHandle process_handle(process.hProcess);
    const base::UniqueKernelHandle thread_handle(process.hThread);
    // Only the child holds the write end now, so the reads end when it does.
    write_end.reset();

    char buffer[512];
    DWORD read = 0;
    while (ReadFile(read_end.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        run.output.append(buffer, read);
    }
    DWORD exit_code = 0;
    if (WaitForSingleObject(process_handle.get(), kExitTimeoutMilliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process_handle.get(), 1);
        run.output += "\nqevsim did not end in time and was stopped";
        return run;
    }
    if (GetExitCodeProcess(process_handle.get(), &exit_code)) {
        run.exit_code = static_cast<int>(exit_code);
    }
    return run;
}

}  // namespace qev::sysinfo::test
