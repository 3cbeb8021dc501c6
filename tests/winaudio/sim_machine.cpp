#include "sim_machine.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/unique_handle.h"
#include "base/utf8.h"

namespace qev::winaudio::test {

namespace {

// A path the build gives in Unix form; Wine maps the Unix root to drive Z:.
std::wstring WindowsPath(const std::string& unixPath)
{
    std::wstring path = L"Z:";
    for (char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

std::wstring Quote(const std::wstring& arg)
{
    return L"\"" + arg + L"\"";
}

}  // namespace

int SimMachine::Run(const std::vector<std::wstring>& args, std::wstring* output)
{
    std::wstring commandLine = Quote(WindowsPath(QEVSIM_PATH));
    for (const auto& arg : args) {
        commandLine += L" " + Quote(arg);
    }
    std::wstring discarded;
    std::wstring& text = output != nullptr ? *output : discarded;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, 0)) {
        text = L"could not make a pipe, error " + std::to_wstring(GetLastError());
        return -1;
    }
    base::UniqueKernelHandle readEnd(readRaw);
    base::UniqueKernelHandle writeEnd(writeRaw);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    // Standard error goes into the same pipe: qevsim's error messages are then part of what a
    // failing Must() prints (the test's own standard error handle may not be inheritable).
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        text = L"could not start qevsim, error " + std::to_wstring(GetLastError());
        return -1;
    }
    base::UniqueKernelHandle processHandle(process.hProcess);
    base::UniqueKernelHandle threadHandle(process.hThread);
    writeEnd.reset();
    std::string bytes;
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    text = base::wide_from_utf8(bytes);
    // The pipe closed, so qevsim is ending; the wait is bounded all the same.
    DWORD exitCode = 0;
    if (WaitForSingleObject(processHandle.get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(processHandle.get(), 1);
        text += L"\nqevsim did not end within 60 s and was stopped";
        return -1;
    }
    if (!GetExitCodeProcess(processHandle.get(), &exitCode)) {
        text += L"\nno exit code from qevsim, error " + std::to_wstring(GetLastError());
        return -1;
    }
    return static_cast<int>(exitCode);
}

std::wstring SimMachine::Must(const std::vector<std::wstring>& args)
{
    std::wstring output;
    const int code = Run(args, &output);
    std::wstring joined;
    for (const auto& arg : args) {
        joined += arg + L" ";
    }
    EXPECT_EQ(code, 0) << "qevsim " << std::string(joined.begin(), joined.end()) << "\n"
                       << std::string(output.begin(), output.end());
    return output;
}

void SimMachine::Fresh(unsigned build)
{
    Must({L"register"});
    Must({L"clear"});
    Must({L"set-build", std::to_wstring(build)});
}

void SimMachine::Load(const std::string& name)
{
    Must({L"register"});
    Must({L"load", WindowsPath(std::string(QEV_MACHINES_DIR) + "/" + name + ".reg")});
}

std::wstring SimMachine::AddEndpoint(EDataFlow flow, const std::wstring& guid, const std::wstring& name,
                                     const std::wstring& state)
{
    Must({L"add-endpoint", flow == eRender ? L"render" : L"capture", guid, name, state});
    return flow == eRender ? RenderId(guid) : CaptureId(guid);
}

void SimMachine::SetDeviceProperty(const std::wstring& id, const std::wstring& key, const std::wstring& type,
                                   const std::vector<std::wstring>& values)
{
    std::vector<std::wstring> args = {L"set-prop", id, L"device", key, type};
    args.insert(args.end(), values.begin(), values.end());
    Must(args);
}

std::wstring SimMachine::AddSession(const std::wstring& endpointId, DWORD processId, const std::wstring& state)
{
    std::wstring number = Must({L"session-add", endpointId, std::to_wstring(processId), state});
    while (!number.empty() && (number.back() == L'\n' || number.back() == L'\r')) {
        number.pop_back();
    }
    return number;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool RegistryKeyExists(const std::wstring& subkey)
{
    HKEY raw = nullptr;
    const bool opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &raw) == ERROR_SUCCESS;
    base::UniqueRegKey key(opened ? raw : nullptr);
    return opened;
}

}  // namespace qev::winaudio::test
