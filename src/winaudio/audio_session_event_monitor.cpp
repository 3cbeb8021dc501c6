#include "winaudio/audio_session_event_monitor.h"

#include <algorithm>

#include "base/com_object.h"
#include "winaudio/callback_gate.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_queries.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio {

namespace {

using Info = std::shared_ptr<AudioSessionControlInfo>;

// Notifications nobody observes: only accepted.
HRESULT ignore_text(LPCWSTR, LPCGUID, Info, void* context)
{
    return context != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT ignore_simple_volume(float, BOOL, LPCGUID, Info, void* context)
{
    return context != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT ignore_channel_volume(DWORD, float*, DWORD, LPCGUID, Info, void* context)
{
    return context != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT ignore_grouping(LPCGUID, LPCGUID, Info, void* context)
{
    return context != nullptr ? S_OK : E_INVALIDARG;
}

}  // namespace

AudioSessionEventMonitor::AudioSessionEventMonitor(ComPtr<IMMDevice> device)
{
    ComInitGuard::Instance();
    GetDeviceId(std::move(device), endpointId_);
}

AudioSessionEventMonitor::~AudioSessionEventMonitor()
{
    HandlerMap handlers;
    std::unique_ptr<SerialWorker> worker;
    {
        std::lock_guard<std::mutex> lock(handlersMutex_);
        handlers.swap(handlers_);
        worker.swap(worker_);
    }
    for (auto& entry : handlers) {
        entry.second->Unregister();
    }
    worker.reset();  // the unregistrations handed to it are done before the monitor goes
}

AudioSessionEventCallbacks AudioSessionEventMonitor::make_callbacks()
{
    AudioSessionEventCallbacks callbacks;
    callbacks.displayNameChanged = &ignore_text;
    callbacks.iconPathChanged = &ignore_text;
    callbacks.simpleVolumeChanged = &ignore_simple_volume;
    callbacks.channelVolumeChanged = &ignore_channel_volume;
    callbacks.groupingParamChanged = &ignore_grouping;
    callbacks.stateChanged = &AudioSessionEventMonitor::on_state_changed;
    callbacks.sessionDisconnected = &AudioSessionEventMonitor::on_session_disconnected;
    return callbacks;
}

void AudioSessionEventMonitor::register_session(ComPtr<IAudioSessionControl> session)
{
    if (!session) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(handlersMutex_);
        if (handlers_.count(session.Get()) != 0) {
            return;
        }
    }
    ComPtr<AudioSessionEventHandler> handler = base::make_com<AudioSessionEventHandler>(endpointId_, session);
    handler->Register(make_callbacks(), this);
    ComPtr<AudioSessionEventHandler> loser;
    {
        std::lock_guard<std::mutex> lock(handlersMutex_);
        auto& slot = handlers_[session.Get()];
        if (slot) {
            loser = handler;  // registered by another thread meanwhile: keep the first
        } else {
            slot = handler;
        }
    }
    if (loser) {
        loser->Unregister();
    }
}

void AudioSessionEventMonitor::unregister_session(const AudioSessionControlInfo& info)
{
    std::vector<ComPtr<AudioSessionEventHandler>> removed;
    {
        std::lock_guard<std::mutex> lock(handlersMutex_);
        for (auto it = handlers_.begin(); it != handlers_.end();) {
            if (_wcsicmp(it->second->info()->sessionInstanceIdentifier.c_str(),
                         info.sessionInstanceIdentifier.c_str()) == 0) {
                removed.push_back(it->second);
                it = handlers_.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (CallbackGate::inside_windows_callback()) {
        unregister_later(std::move(removed));
        return;
    }
    for (auto& handler : removed) {
        handler->Unregister();
    }
}

void AudioSessionEventMonitor::unregister_later(std::vector<ComPtr<AudioSessionEventHandler>> handlers)
{
    for (auto& handler : handlers) {
        handler->Silence();
    }
    std::lock_guard<std::mutex> lock(handlersMutex_);
    if (!worker_) {
        worker_ = std::make_unique<SerialWorker>();
    }
    worker_->post([handlers = std::move(handlers)] {
        for (const auto& handler : handlers) {
            handler->Unregister();
        }
    });
}

std::size_t AudioSessionEventMonitor::session_count() const
{
    std::lock_guard<std::mutex> lock(handlersMutex_);
    return handlers_.size();
}

void AudioSessionEventMonitor::add_observer(AudioSessionEventObserver* observer)
{
    std::lock_guard<std::mutex> lock(observersMutex_);
    observers_.push_back(observer);
}

void AudioSessionEventMonitor::remove_observer(AudioSessionEventObserver* observer)
{
    std::lock_guard<std::mutex> lock(observersMutex_);
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

std::vector<AudioSessionEventObserver*> AudioSessionEventMonitor::observers()
{
    std::lock_guard<std::mutex> lock(observersMutex_);
    return observers_;
}

HRESULT AudioSessionEventMonitor::on_state_changed(AudioSessionState state, Info info, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    for (AudioSessionEventObserver* observer : static_cast<AudioSessionEventMonitor*>(context)->observers()) {
        observer->on_session_state_changed(state, info);
    }
    return S_OK;
}

HRESULT AudioSessionEventMonitor::on_session_disconnected(AudioSessionDisconnectReason reason, Info info, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    for (AudioSessionEventObserver* observer : static_cast<AudioSessionEventMonitor*>(context)->observers()) {
        observer->on_session_disconnected(reason, info);
    }
    return S_OK;
}

}  // namespace qev::winaudio
