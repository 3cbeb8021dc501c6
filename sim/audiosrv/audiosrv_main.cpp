// The stand-in for the Windows audio service, an own-process service named "Audiosrv": while it
// runs the simulated session managers, sessions and their notifications are available; stopping
// it through the service control manager (qevsim service-stop, net stop Audiosrv) disconnects
// every session with DisconnectReasonServerShutdown and makes them unavailable until it runs again.
#include <windows.h>

#include "audio_service_state.h"
#include "base/unique_handle.h"
#include "shutdown_notice.h"

namespace {

// The service entry points carry no context of their own; main owns what this points at.
struct ServiceContext {
    SERVICE_STATUS_HANDLE status = nullptr;
    HANDLE stopRequested = nullptr;
};

ServiceContext* context = nullptr;

void report(DWORD state, DWORD exitCode = NO_ERROR)
{
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 5000;
    ::SetServiceStatus(context->status, &status);
}

// Runs on the dispatcher thread: only passes the request on.
DWORD WINAPI controlHandler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        report(SERVICE_STOP_PENDING);
        ::SetEvent(context->stopRequested);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI serviceMain(DWORD, LPWSTR*)
{
    wchar_t name[] = L"Audiosrv";
    context->status = ::RegisterServiceCtrlHandlerExW(name, controlHandler, nullptr);
    if (context->status == nullptr) {
        return;
    }
    report(SERVICE_START_PENDING);
    qevsim::AudioServiceState::Run run;
    if (!run.published()) {
        report(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR);
        return;
    }
    report(SERVICE_RUNNING);
    ::WaitForSingleObject(context->stopRequested, INFINITE);
    // Clients hear of the shutdown while the run is still the current one, then it ends.
    qevsim::ShutdownNotice::announce();
    run.stopped();
    report(SERVICE_STOPPED);
}

}  // namespace

int main()
{
    const qev::base::UniqueKernelHandle stopRequested(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopRequested) {
        return 1;
    }
    ServiceContext service;
    service.stopRequested = stopRequested.get();
    context = &service;
    wchar_t name[] = L"Audiosrv";
    const SERVICE_TABLE_ENTRYW table[] = {{name, serviceMain}, {nullptr, nullptr}};
    const BOOL dispatched = ::StartServiceCtrlDispatcherW(table);
    context = nullptr;
    return dispatched ? 0 : 1;
}
