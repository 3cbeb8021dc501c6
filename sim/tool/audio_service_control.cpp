#include "audio_service_control.h"

#include <windows.h>

#include "audio_service_state.h"
#include "base/unique_handle.h"
#include "own_folder.h"

namespace qevsim {

namespace {

using qev::base::UniqueServiceHandle;

constexpr ULONGLONG kWaitLimitMs = 10000;
constexpr DWORD kPollMs = 20;

bool fail(std::wstring* error, const std::wstring& message, DWORD code)
{
    *error = message + L" (error " + std::to_wstring(code) + L")";
    return false;
}

UniqueServiceHandle openManager(DWORD access)
{
    return UniqueServiceHandle(::OpenSCManagerW(nullptr, nullptr, access));
}

// Waits until the service is in `wanted`; false after the wait limit or when it cannot be read.
bool waitFor(SC_HANDLE service, DWORD wanted, std::wstring* error)
{
    const ULONGLONG deadline = ::GetTickCount64() + kWaitLimitMs;
    SERVICE_STATUS status{};
    while (::QueryServiceStatus(service, &status)) {
        if (status.dwCurrentState == wanted) {
            return true;
        }
        if (::GetTickCount64() >= deadline) {
            *error = std::wstring(L"Audiosrv did not reach the ") +
                     (wanted == SERVICE_RUNNING ? L"running" : L"stopped") + L" state within 10 s (state " +
                     std::to_wstring(status.dwCurrentState) + L")";
            return false;
        }
        ::Sleep(kPollMs);
    }
    return fail(error, L"cannot query Audiosrv", ::GetLastError());
}

bool startService(SC_HANDLE service, std::wstring* error)
{
    // A stop in progress ends first; starting then begins a new run.
    SERVICE_STATUS status{};
    if (::QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOP_PENDING &&
        !waitFor(service, SERVICE_STOPPED, error)) {
        return false;
    }
    if (!::StartServiceW(service, 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        return fail(error, L"cannot start Audiosrv", ::GetLastError());
    }
    return waitFor(service, SERVICE_RUNNING, error);
}

bool stopService(SC_HANDLE service, std::wstring* error)
{
    SERVICE_STATUS status{};
    if (::QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_START_PENDING &&
        !waitFor(service, SERVICE_RUNNING, error)) {
        return false;
    }
    if (!::ControlService(service, SERVICE_CONTROL_STOP, &status) && ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
        return fail(error, L"cannot stop Audiosrv", ::GetLastError());
    }
    return waitFor(service, SERVICE_STOPPED, error);
}

UniqueServiceHandle openService(DWORD access, std::wstring* error)
{
    const UniqueServiceHandle manager = openManager(SC_MANAGER_CONNECT);
    UniqueServiceHandle service(manager ? ::OpenServiceW(manager.get(), AudioServiceState::kServiceName, access)
                                        : nullptr);
    if (!service) {
        const DWORD code = ::GetLastError();
        fail(error,
             code == ERROR_SERVICE_DOES_NOT_EXIST ? L"Audiosrv is not installed (scripts/prefix.sh up installs it)"
                                                  : L"cannot open Audiosrv",
             code);
    }
    return service;
}

}  // namespace

bool AudioServiceControl::install(std::wstring* error)
{
    const std::wstring program = ownFolder() + L"qevsim_audiosrv.exe";
    if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return fail(error, L"the service program is missing: " + program, ::GetLastError());
    }
    const std::wstring command = L"\"" + program + L"\"";
    const UniqueServiceHandle manager = openManager(SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (!manager) {
        return fail(error, L"cannot open the service control manager", ::GetLastError());
    }
    UniqueServiceHandle service(::CreateServiceW(
        manager.get(), AudioServiceState::kServiceName, L"Windows Audio", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service && ::GetLastError() == ERROR_SERVICE_EXISTS) {
        // Installed before, perhaps from another build: run this build's program from now on.
        service.reset(::OpenServiceW(manager.get(), AudioServiceState::kServiceName, SERVICE_ALL_ACCESS));
        if (!service || !stopService(service.get(), error)) {
            return service ? false : fail(error, L"cannot open Audiosrv", ::GetLastError());
        }
        if (!::ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                    command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, L"Windows Audio")) {
            return fail(error, L"cannot configure Audiosrv", ::GetLastError());
        }
    }
    if (!service) {
        return fail(error, L"cannot install Audiosrv", ::GetLastError());
    }
    return startService(service.get(), error);
}

bool AudioServiceControl::start(std::wstring* error)
{
    const UniqueServiceHandle service = openService(SERVICE_START | SERVICE_QUERY_STATUS, error);
    return service && startService(service.get(), error);
}

bool AudioServiceControl::stop(std::wstring* error)
{
    const UniqueServiceHandle service = openService(SERVICE_STOP | SERVICE_QUERY_STATUS, error);
    return service && stopService(service.get(), error);
}

}  // namespace qevsim
