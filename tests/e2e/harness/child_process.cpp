#include "child_process.h"

#include <vector>

namespace qev::e2e {

namespace {

constexpr DWORD kGoneTimeoutMs = 10000;

}  // namespace

ChildProcess::~ChildProcess()
{
    terminate();
}

bool ChildProcess::start(const std::wstring& exe, const std::wstring& arguments, std::string& error)
{
    if (running()) {
        error = "a process is already running";
        return false;
    }
    std::wstring line = L"\"" + exe + L"\"";
    if (!arguments.empty()) {
        line += L" " + arguments;
    }
    std::vector<wchar_t> mutable_line(line.begin(), line.end());
    mutable_line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), mutable_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
        error = "CreateProcessW failed, error " + std::to_string(GetLastError());
        return false;
    }
    const qev::winsys::UniqueKernelHandle thread(info.hThread);
    process_.reset(info.hProcess);
    pid_ = info.dwProcessId;
    return true;
}

bool ChildProcess::running() const
{
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ChildProcess::wait_exit(std::chrono::milliseconds timeout) const
{
    if (!process_ || WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

void ChildProcess::terminate()
{
    if (running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), kGoneTimeoutMs);
    }
}

}  // namespace qev::e2e
