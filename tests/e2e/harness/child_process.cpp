#include "child_process.h"

#include "base/utf8.h"

#include <algorithm>
#include <vector>

#ifndef QEV_BUILD_DIR_UNIX
#error "QEV_BUILD_DIR_UNIX must name the build tree (set by tests/e2e/CMakeLists.txt)"
#endif

namespace qev::e2e {

std::wstring build_file(std::wstring_view relative)
{
    // Wine maps drive Z: to the Unix root.
    std::wstring path = L"Z:" + base::wide_from_utf8(QEV_BUILD_DIR_UNIX) + L"/" + std::wstring(relative);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

ChildProcess::~ChildProcess()
{
    terminate();
}

bool ChildProcess::start(const std::wstring& exe, const std::wstring& arguments, std::string& error, HANDLE out,
                         HANDLE err)
{
    if (running()) {
        error = "a process is already running";
        return false;
    }
    std::wstring line = L"\"" + exe + L"\"";
    if (!arguments.empty()) {
        line += L" " + arguments;
    }
    if (!create_job(error)) {
        return false;
    }
    std::vector<wchar_t> mutable_line(line.begin(), line.end());
    mutable_line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (out != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out;
        startup.hStdError = err;
    }
    PROCESS_INFORMATION info{};
    // Suspended until it is in the job, so not even its first instruction runs outside it.
    if (!CreateProcessW(exe.c_str(), mutable_line.data(), nullptr, nullptr, out != nullptr,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info)) {
        error = "CreateProcessW failed, error " + std::to_string(GetLastError());
        return false;
    }
    const base::UniqueKernelHandle thread(info.hThread);
    process_.reset(info.hProcess);
    pid_ = info.dwProcessId;
    if (!AssignProcessToJobObject(job_.get(), process_.get())) {
        error = "AssignProcessToJobObject failed, error " + std::to_string(GetLastError());
        terminate();
        return false;
    }
    ResumeThread(thread.get());
    return true;
}

bool ChildProcess::create_job(std::string& error)
{
    job_.reset(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job_ || !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        error = "cannot create a kill-on-close job, error " + std::to_string(GetLastError());
        job_.reset();
        return false;
    }
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
        WaitForSingleObject(process_.get(), 10000);
    }
}

}  // namespace qev::e2e
