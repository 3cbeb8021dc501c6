#include "captured_run.h"

#include "base/unique_handle.h"

#include <thread>
#include <vector>

namespace qev::e2e {

namespace {

using base::UniqueFileHandle;
using base::UniqueKernelHandle;

struct Pipe {
    UniqueFileHandle read;
    UniqueFileHandle write;
};

Pipe make_inheritable_pipe()
{
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
    HANDLE read = INVALID_HANDLE_VALUE;
    HANDLE write = INVALID_HANDLE_VALUE;
    Pipe pipe;
    if (CreatePipe(&read, &write, &attributes, 0)) {
        pipe.read.reset(read);
        pipe.write.reset(write);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    return pipe;
}

void drain(HANDLE pipe, std::string& text)
{
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(pipe, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
}

std::string without_carriage_returns(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

CapturedRun run_captured(const std::wstring& exe, const std::wstring& arguments, std::chrono::milliseconds timeout)
{
    CapturedRun run;
    Pipe out = make_inheritable_pipe();
    Pipe err = make_inheritable_pipe();
    if (!out.write || !err.write) {
        run.err = "CreatePipe failed";
        return run;
    }
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    std::vector<wchar_t> mutable_line(line.begin(), line.end());
    mutable_line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), mutable_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        run.err = "CreateProcessW failed, error " + std::to_string(GetLastError());
        return run;
    }
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    // Only the child holds the write ends now, so the reads end when it does.
    out.write.reset();
    err.write.reset();
    std::string out_text;
    std::string err_text;
    std::thread out_reader([&] { drain(out.read.get(), out_text); });
    std::thread err_reader([&] { drain(err.read.get(), err_text); });
    run.finished = WaitForSingleObject(process.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    if (!run.finished) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), INFINITE);
    }
    GetExitCodeProcess(process.get(), &run.exit_code);
    out_reader.join();
    err_reader.join();
    run.out = without_carriage_returns(out_text);
    run.err = without_carriage_returns(err_text);
    return run;
}

}  // namespace qev::e2e
