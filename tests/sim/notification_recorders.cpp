#include "notification_recorders.h"

#include <propsys.h>

#include <thread>

namespace qevsim::test {

void EventLog::add(const std::wstring& line)
{
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
}

bool EventLog::contains(const std::wstring& text) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& line : lines_) {
        if (line.find(text) != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

bool EventLog::waitFor(const std::wstring& text, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!contains(text)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<std::wstring> EventLog::lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::string EventLog::dump() const
{
    std::string text;
    for (const auto& line : lines()) {
        text += std::string(line.begin(), line.end()) + "\n";
    }
    return text.empty() ? "(no events)" : text;
}

ULONG RecorderBase::release()
{
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

std::wstring keyText(const PROPERTYKEY& key)
{
    wchar_t text[PKEYSTR_MAX];
    return SUCCEEDED(::PSStringFromPropertyKey(key, text, PKEYSTR_MAX)) ? text : L"?";
}

namespace {

template <typename Interface>
HRESULT answer(Interface* self, REFIID iid, REFIID own, void** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == own) {
        *out = self;
        self->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

std::wstring idText(LPCWSTR id)
{
    return id == nullptr ? L"(none)" : id;
}

}  // namespace

HRESULT EndpointRecorder::QueryInterface(REFIID iid, void** out)
{
    return answer<IMMNotificationClient>(this, iid, __uuidof(IMMNotificationClient), out);
}

HRESULT EndpointRecorder::OnDeviceStateChanged(LPCWSTR id, DWORD state)
{
    log.add(L"state " + idText(id) + L" " + std::to_wstring(state));
    return S_OK;
}

HRESULT EndpointRecorder::OnDeviceAdded(LPCWSTR id)
{
    log.add(L"added " + idText(id));
    return S_OK;
}

HRESULT EndpointRecorder::OnDeviceRemoved(LPCWSTR id)
{
    log.add(L"removed " + idText(id));
    return S_OK;
}

HRESULT EndpointRecorder::OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id)
{
    log.add(L"default " + std::to_wstring(flow) + L" " + std::to_wstring(role) + L" " + idText(id));
    return S_OK;
}

HRESULT EndpointRecorder::OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key)
{
    log.add(L"property " + idText(id) + L" " + keyText(key));
    return S_OK;
}

HRESULT SessionCreatedRecorder::QueryInterface(REFIID iid, void** out)
{
    return answer<IAudioSessionNotification>(this, iid, __uuidof(IAudioSessionNotification), out);
}

HRESULT SessionCreatedRecorder::OnSessionCreated(IAudioSessionControl* session)
{
    DWORD processId = 0;
    IAudioSessionControl2* control2 = nullptr;
    if (session != nullptr &&
        SUCCEEDED(session->QueryInterface(__uuidof(IAudioSessionControl2), reinterpret_cast<void**>(&control2)))) {
        control2->GetProcessId(&processId);
        control2->Release();
    }
    log.add(L"created pid " + std::to_wstring(processId));
    return S_OK;
}

HRESULT SessionEventRecorder::QueryInterface(REFIID iid, void** out)
{
    return answer<IAudioSessionEvents>(this, iid, __uuidof(IAudioSessionEvents), out);
}

HRESULT SessionEventRecorder::OnDisplayNameChanged(LPCWSTR name, LPCGUID)
{
    log.add(L"name " + idText(name));
    return S_OK;
}

HRESULT SessionEventRecorder::OnIconPathChanged(LPCWSTR path, LPCGUID)
{
    log.add(L"icon " + idText(path));
    return S_OK;
}

HRESULT SessionEventRecorder::OnSimpleVolumeChanged(float, WINBOOL, LPCGUID)
{
    log.add(L"volume");
    return S_OK;
}

HRESULT SessionEventRecorder::OnChannelVolumeChanged(DWORD, float*, DWORD, LPCGUID)
{
    log.add(L"channel volume");
    return S_OK;
}

HRESULT SessionEventRecorder::OnGroupingParamChanged(LPCGUID, LPCGUID)
{
    log.add(L"grouping");
    return S_OK;
}

HRESULT SessionEventRecorder::OnStateChanged(AudioSessionState state)
{
    log.add(L"session state " + std::to_wstring(state));
    return S_OK;
}

HRESULT SessionEventRecorder::OnSessionDisconnected(AudioSessionDisconnectReason reason)
{
    log.add(L"disconnected " + std::to_wstring(reason));
    return S_OK;
}

HRESULT EffectStoreRecorder::QueryInterface(REFIID iid, void** out)
{
    return answer<IAudioSystemEffectsPropertyChangeNotificationClient>(
        this, iid, kAudioSystemEffectsPropertyChangeNotificationClientIid, out);
}

HRESULT EffectStoreRecorder::OnPropertyChanged(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE type, const PROPERTYKEY key)
{
    log.add(L"effect " + std::to_wstring(type) + L" " + keyText(key));
    return S_OK;
}

}  // namespace qevsim::test
