// A minimal own-process service for the watcher tests: reports running until the service control
// manager asks it to stop. The pauses make the pending states observable.
#include <windows.h>

namespace {

struct ServiceState {
    SERVICE_STATUS_HANDLE status_handle = nullptr;
    HANDLE stop_requested = nullptr;
};

// The service entry points carry no context of their own.
ServiceState state;

void report(DWORD current_state, DWORD controls)
{
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = current_state;
    status.dwControlsAccepted = controls;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = current_state == SERVICE_RUNNING || current_state == SERVICE_STOPPED ? 0 : 2000;
    SetServiceStatus(state.status_handle, &status);
}

DWORD WINAPI control_handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        report(SERVICE_STOP_PENDING, 0);
        SetEvent(state.stop_requested);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI service_main(DWORD argc, LPWSTR* argv)
{
    const wchar_t* name = argc > 0 ? argv[0] : L"";
    state.status_handle = RegisterServiceCtrlHandlerExW(name, control_handler, nullptr);
    if (state.status_handle == nullptr) {
        return;
    }
    report(SERVICE_START_PENDING, 0);
    Sleep(200);
    report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP);
    WaitForSingleObject(state.stop_requested, INFINITE);
    Sleep(200);
    report(SERVICE_STOPPED, 0);
}

}  // namespace

int main()
{
    state.stop_requested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t name[] = L"QevWinsysTestService";
    const SERVICE_TABLE_ENTRYW table[] = {{name, service_main}, {nullptr, nullptr}};
    const BOOL dispatched = StartServiceCtrlDispatcherW(table);
    CloseHandle(state.stop_requested);
    return dispatched ? 0 : 1;
}
