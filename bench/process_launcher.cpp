#include "process_launcher.h"

#include <tlhelp32.h>

#include <vector>

namespace qev::bench {

namespace {

constexpr DWORD kGoneTimeoutMs = 10000;

// Under Wine a build-tree path may arrive in its Unix form; drive Z: maps the Unix root.
std::wstring windows_path(const std::wstring& path)
{
    if (path.empty() || path.front() != L'/') {
        return path;
    }
    std::wstring converted = L"Z:" + path;
    for (auto& c : converted) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return converted;
}

base::UniqueKernelHandle make_kill_on_close_job()
{
    base::UniqueKernelHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        job.reset();
    }
    return job;
}

base::UniqueFileHandle open_nul()
{
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    return base::UniqueFileHandle(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              &inheritable, OPEN_EXISTING, 0, nullptr));
}

}  // namespace

ProcessLauncher::~ProcessLauncher()
{
    terminate();
}

void ProcessLauncher::terminate()
{
    if (started_) {
        TerminateProcess(started_.get(), 1);
        WaitForSingleObject(started_.get(), kGoneTimeoutMs);
        started_.reset();
    }
}

bool ProcessLauncher::running() const
{
    return started_ && WaitForSingleObject(started_.get(), 0) == WAIT_TIMEOUT;
}

bool ProcessLauncher::start(const std::wstring& unix_or_windows_path, const std::wstring& arguments)
{
    const std::wstring exe = windows_path(unix_or_windows_path);
    std::wstring line = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<wchar_t> mutable_line(line.begin(), line.end());
    mutable_line.push_back(L'\0');
    job_ = make_kill_on_close_job();
    const base::UniqueFileHandle nul = open_nul();
    if (!job_ || !nul) {
        return false;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.get();
    startup.hStdOutput = nul.get();
    startup.hStdError = nul.get();
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), mutable_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info)) {
        return false;
    }
    const base::UniqueKernelHandle thread(info.hThread);
    started_.reset(info.hProcess);
    pid_ = info.dwProcessId;
    // Suspended until it is in the job, so nothing it starts escapes the job either.
    AssignProcessToJobObject(job_.get(), started_.get());
    ResumeThread(thread.get());
    return true;
}

bool ProcessLauncher::find_running(const std::wstring& exe_name)
{
    const base::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return false;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, exe_name.c_str()) == 0) {
            pid_ = entry.th32ProcessID;
            return true;
        }
    }
    return false;
}

}  // namespace qev::bench
