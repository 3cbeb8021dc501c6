#include "session_control.h"

#include <audioclient.h>

#include <cstring>

#include "audio_service_state.h"
#include "machine_change.h"
#include "notification_hub.h"

namespace qevsim {

HRESULT copyToTaskMemory(const std::wstring& text, LPWSTR* out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (*out == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(*out, text.c_str(), bytes);
    return S_OK;
}

SessionControl::SessionControl(SessionRecord record, DWORD run) : record_(std::move(record)), run_(run)
{}

bool SessionControl::serviceGone() const
{
    return run_ == 0 || AudioServiceState::generation() != run_;
}

std::wstring SessionControl::eventScope(const SessionRecord& record)
{
    return record.endpointId + L"|" + record.number;
}

void* SessionControl::extra_interface(REFIID iid)
{
    return iid == __uuidof(IAudioSessionControl) ? static_cast<IAudioSessionControl2*>(this) : nullptr;
}

SessionRecord SessionControl::current() const
{
    // A session that was removed from the machine reads as expired with its last known data.
    if (auto live = SessionStore::find(record_.endpointId, record_.number)) {
        return *live;
    }
    SessionRecord gone = record_;
    gone.state = AudioSessionStateExpired;
    return gone;
}

HRESULT SessionControl::GetState(AudioSessionState* state)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = current().state;
    return S_OK;
}

HRESULT SessionControl::GetDisplayName(LPWSTR* name)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    return copyToTaskMemory(current().displayName, name);
}

HRESULT SessionControl::SetDisplayName(LPCWSTR name, LPCGUID)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    if (name == nullptr) {
        return E_POINTER;
    }
    const MachineChange change(MachineChange::Reach::Structure);
    return HRESULT_FROM_WIN32(SessionStore::setText(record_.endpointId, record_.number, L"DisplayName", name));
}

HRESULT SessionControl::GetIconPath(LPWSTR* path)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    return copyToTaskMemory(current().iconPath, path);
}

HRESULT SessionControl::SetIconPath(LPCWSTR path, LPCGUID)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    if (path == nullptr) {
        return E_POINTER;
    }
    const MachineChange change(MachineChange::Reach::Structure);
    return HRESULT_FROM_WIN32(SessionStore::setText(record_.endpointId, record_.number, L"IconPath", path));
}

HRESULT SessionControl::GetGroupingParam(GUID* grouping)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    if (grouping == nullptr) {
        return E_POINTER;
    }
    *grouping = GUID_NULL;
    return S_OK;
}

HRESULT SessionControl::SetGroupingParam(LPCGUID, LPCGUID)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    return S_OK;
}

HRESULT SessionControl::RegisterAudioSessionNotification(IAudioSessionEvents* events)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    // Documented: the session takes a reference to the client.
    DeliveryCondition condition;
    condition.run = run_;
    return NotificationHub::instance().add(ClientKind::SessionEvents, eventScope(record_), events, true,
                                           std::move(condition));
}

HRESULT SessionControl::UnregisterAudioSessionNotification(IAudioSessionEvents* events)
{
    return NotificationHub::instance().remove(ClientKind::SessionEvents, eventScope(record_), events);
}

HRESULT SessionControl::GetSessionIdentifier(LPWSTR* identifier)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    return copyToTaskMemory(record_.sessionIdentifier(), identifier);
}

HRESULT SessionControl::GetSessionInstanceIdentifier(LPWSTR* identifier)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    return copyToTaskMemory(record_.instanceIdentifier(), identifier);
}

HRESULT SessionControl::GetProcessId(DWORD* processId)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    if (processId == nullptr) {
        return E_POINTER;
    }
    *processId = record_.processId;
    return S_OK;
}

HRESULT SessionControl::IsSystemSoundsSession()
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    return record_.processId == 0 ? S_OK : S_FALSE;
}

HRESULT SessionControl::SetDuckingPreference(WINBOOL)
{
    if (serviceGone()) {
        return AUDCLNT_E_SERVICE_NOT_RUNNING;
    }
    return S_OK;
}

}  // namespace qevsim
