#include "captured_run.h"

#include "child_process.h"

#include <thread>

namespace qev::e2e {

namespace {

struct Pipe {
    base::UniqueFileHandle read;
    base::UniqueFileHandle write;
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

// Everything the pipe carries until its writer ends, "\r\n" turned into "\n".
void drain(HANDLE pipe, std::string& text)
{
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(pipe, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
}

}  // namespace

CapturedRun run_captured(const std::wstring& exe, const std::wstring& arguments, std::chrono::milliseconds timeout)
{
    CapturedRun run;
    Pipe out = make_inheritable_pipe();
    Pipe err = make_inheritable_pipe();
    ChildProcess child;
    std::string error = "CreatePipe failed";
    if (!out.write || !err.write || !child.start(exe, arguments, error, out.write.get(), err.write.get())) {
        run.err = error;
        return run;
    }
    // Only the child holds the write ends now, so the reads end when it does.
    out.write.reset();
    err.write.reset();
    std::thread out_reader([&] { drain(out.read.get(), run.out); });
    std::thread err_reader([&] { drain(err.read.get(), run.err); });
    const auto exit_code = child.wait_exit(timeout);
    child.terminate();
    out_reader.join();
    err_reader.join();
    run.finished = exit_code.has_value();
    run.exit_code = exit_code.value_or(1);
    return run;
}

}  // namespace qev::e2e
