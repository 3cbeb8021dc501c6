#include "started_processes.h"

#include <cstring>
#include <vector>

#include "base/unique_handle.h"
#include "machine_change.h"
#include "machine_layout.h"
#include "own_folder.h"
#include "reg_key.h"
#include "session_store.h"

namespace qevsim {

namespace {

using qev::base::UniqueKernelHandle;

constexpr DWORD kExitWaitMs = 10000;

bool fail(std::wstring* error, const std::wstring& message, DWORD code)
{
    *error = message + L" (error " + std::to_wstring(code) + L")";
    return false;
}

std::wstring processFolder()
{
    wchar_t data[MAX_PATH];
    const DWORD length = ::ExpandEnvironmentStringsW(L"%ProgramData%", data, MAX_PATH);
    return length > 0 && length <= MAX_PATH ? std::wstring(data) + L"\\qevsim\\processes" : std::wstring();
}

std::vector<std::uint8_t> creationTime(HANDLE process)
{
    FILETIME created{};
    FILETIME unused[3]{};
    if (!::GetProcessTimes(process, &created, &unused[0], &unused[1], &unused[2])) {
        return {};
    }
    std::vector<std::uint8_t> bytes(sizeof(created));
    std::memcpy(bytes.data(), &created, sizeof(created));
    return bytes;
}

// The stand-in under the wanted name; a copy that is running already is used as it is.
bool placeCopy(const std::wstring& target, std::wstring* error)
{
    const std::wstring folder = processFolder();
    ::CreateDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring source = ownFolder() + L"qevsim_stand_in.exe";
    if (!::CopyFileW(source.c_str(), target.c_str(), FALSE) &&
        ::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return fail(error, L"cannot copy " + source + L" to " + target, ::GetLastError());
    }
    return true;
}

// Every session of the process expires: its streams ended with it (AudioSessionState).
void expireSessionsOf(DWORD processId)
{
    const MachineChange change(MachineChange::Reach::Structure);
    for (const auto& session : SessionStore::listAll()) {
        if (session.processId == processId) {
            SessionStore::remove(session.endpointId, session.number);
        }
    }
}

// Terminates the recorded process if it is still the one recorded (not a reused id).
bool terminate(DWORD processId, const std::vector<std::uint8_t>& recorded, std::wstring* error)
{
    const UniqueKernelHandle process(
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process || creationTime(process.get()) != recorded) {
        return true;  // gone already
    }
    if (!::TerminateProcess(process.get(), 0) && ::WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0) {
        return fail(error, L"cannot end process " + std::to_wstring(processId), ::GetLastError());
    }
    if (::WaitForSingleObject(process.get(), kExitWaitMs) != WAIT_OBJECT_0) {
        *error = L"process " + std::to_wstring(processId) + L" did not exit within 10 s";
        return false;
    }
    return true;
}

}  // namespace

bool StartedProcesses::validImageName(const std::wstring& name)
{
    return name.size() > 4 && name.find_first_of(L"\\/:") == std::wstring::npos &&
           equalsNoCase(name.substr(name.size() - 4), L".exe");
}

std::optional<DWORD> StartedProcesses::start(const std::wstring& imageName, std::wstring* error)
{
    const std::wstring target = processFolder() + L"\\" + imageName;
    const RegKey records = RegKey::create(HKEY_LOCAL_MACHINE, kProcessesKey, KEY_READ | KEY_SET_VALUE);
    if (!records) {
        fail(error, L"cannot open HKLM\\" + std::wstring(kProcessesKey), ::GetLastError());
        return std::nullopt;
    }
    if (!placeCopy(target, error)) {
        return std::nullopt;
    }
    std::wstring command = L"\"" + target + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // No handle of ours: a caller reading our output to its end must not wait for this process.
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(target.c_str(), command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                          &startup, &info)) {
        fail(error, L"cannot start " + target, ::GetLastError());
        return std::nullopt;
    }
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    const LONG rc = records.setValue(std::to_wstring(info.dwProcessId), REG_BINARY, creationTime(process.get()));
    if (rc != ERROR_SUCCESS) {
        ::TerminateProcess(process.get(), 1);
        fail(error, L"cannot record process " + std::to_wstring(info.dwProcessId), static_cast<DWORD>(rc));
        return std::nullopt;
    }
    return info.dwProcessId;
}

bool StartedProcesses::end(DWORD processId, std::wstring* error)
{
    const RegKey records = RegKey::open(HKEY_LOCAL_MACHINE, kProcessesKey, KEY_READ | KEY_SET_VALUE);
    const std::wstring name = std::to_wstring(processId);
    const auto recorded = records.value(name);
    if (!recorded) {
        *error = L"process " + name + L" was not started by qevsim process-start";
        return false;
    }
    if (!terminate(processId, recorded->data, error)) {
        return false;
    }
    records.deleteValue(name);
    expireSessionsOf(processId);
    return true;
}

bool StartedProcesses::endAll(std::wstring* error)
{
    const RegKey records = RegKey::open(HKEY_LOCAL_MACHINE, kProcessesKey, KEY_READ | KEY_SET_VALUE);
    for (const auto& value : records.values()) {
        if (!terminate(static_cast<DWORD>(std::wcstoul(value.name.c_str(), nullptr, 10)), value.data, error)) {
            return false;
        }
        records.deleteValue(value.name);
    }
    // The copies; one still in use by a process started otherwise stays.
    const std::wstring folder = processFolder();
    WIN32_FIND_DATAW found{};
    const qev::base::UniqueFindHandle search(::FindFirstFileW((folder + L"\\*.exe").c_str(), &found));
    for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.get(), &found) != FALSE) {
        ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    }
    return true;
}

}  // namespace qevsim
