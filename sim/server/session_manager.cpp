#include "session_manager.h"

#include <audioclient.h>

#include <objbase.h>

#include <vector>

#include "audio_service_state.h"
#include "machine_change.h"
#include "notification_hub.h"
#include "session_control.h"
#include "session_enumerator.h"
#include "session_store.h"

namespace qevsim {

namespace {

// The calling thread is in the multithreaded apartment, made by it or implicitly.
bool inMultithreadedApartment()
{
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    return SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA;
}

}  // namespace

SessionManager::SessionManager(std::wstring endpointId, DWORD run) : endpointId_(std::move(endpointId)), run_(run)
{}

bool SessionManager::serviceGone() const
{
    return AudioServiceState::generation() != run_;
}

void* SessionManager::extra_interface(REFIID iid)
{
    return iid == __uuidof(IAudioSessionManager) ? static_cast<IAudioSessionManager2*>(this) : nullptr;
}

HRESULT SessionManager::GetAudioSessionControl(LPCGUID, DWORD, IAudioSessionControl** control)
{
    if (control == nullptr) {
        return E_POINTER;
    }
    *control = nullptr;
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    // The calling process's session on this endpoint, made on first request as Windows does.
    const DWORD self = ::GetCurrentProcessId();
    for (const auto& record : SessionStore::list(endpointId_)) {
        if (record.processId == self && !record.disconnectReason) {
            return handOut(new (std::nothrow) SessionControl(record, run_), __uuidof(IAudioSessionControl),
                           reinterpret_cast<void**>(control));
        }
    }
    std::wstring number;
    {
        const MachineChange change(MachineChange::Reach::Structure);
        number = SessionStore::create(endpointId_, self, AudioSessionStateInactive, L"", L"");
    }
    const auto created = SessionStore::find(endpointId_, number);
    if (!created) {
        return E_FAIL;
    }
    return handOut(new (std::nothrow) SessionControl(*created, run_), __uuidof(IAudioSessionControl),
                   reinterpret_cast<void**>(control));
}

HRESULT SessionManager::GetSimpleAudioVolume(LPCGUID, DWORD, ISimpleAudioVolume** volume)
{
    if (volume != nullptr) {
        *volume = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT SessionManager::GetSessionEnumerator(IAudioSessionEnumerator** sessions)
{
    if (sessions == nullptr) {
        return E_POINTER;
    }
    *sessions = nullptr;
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    std::vector<SessionRecord> live;
    for (auto& record : SessionStore::list(endpointId_)) {
        if (!record.disconnectReason) {
            live.push_back(std::move(record));
        }
    }
    return handOut(new (std::nothrow) SessionEnumerator(std::move(live), enumerated_, run_),
                   __uuidof(IAudioSessionEnumerator), reinterpret_cast<void**>(sessions));
}

HRESULT SessionManager::RegisterSessionNotification(IAudioSessionNotification* client)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    DeliveryCondition condition;
    condition.run = run_;
    condition.multithreadedApartment = inMultithreadedApartment();
    condition.enumerated = enumerated_;
    if (!condition.multithreadedApartment) {
        ::OutputDebugStringW(
            L"[qevsim] RegisterSessionNotification from a single-threaded apartment: that client "
            L"will hear of no new session\n");
    }
    // Documented: the session manager takes a reference to the client.
    return NotificationHub::instance().add(ClientKind::SessionCreated, endpointId_, client, true, std::move(condition));
}

HRESULT SessionManager::UnregisterSessionNotification(IAudioSessionNotification* client)
{
    return NotificationHub::instance().remove(ClientKind::SessionCreated, endpointId_, client);
}

HRESULT SessionManager::RegisterDuckNotification(LPCWSTR, IAudioVolumeDuckNotification*)
{
    return E_NOTIMPL;
}

HRESULT SessionManager::UnregisterDuckNotification(IAudioVolumeDuckNotification*)
{
    return E_NOTIMPL;
}

}  // namespace qevsim
