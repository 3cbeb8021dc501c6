#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <atomic>

#include "base/audio_system_effects_property_store.h"
#include "base/com_object.h"

namespace qev::winaudio::test {

// An endpoint that passes every call on to a real one but hands out its effect stores wrapped and
// counted while alive, so a test sees whether the code under test gave all of them back.
class CountingEffectsDevice final : public base::ComObject<IMMDevice, IMMEndpoint> {
public:
    CountingEffectsDevice(Microsoft::WRL::ComPtr<IMMDevice> inner, std::atomic<int>& liveStores)
        : inner_(std::move(inner)), liveStores_(liveStores)
    {}

    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* parameters, void** object) override
    {
        const HRESULT hr = inner_->Activate(iid, context, parameters, object);
        if (SUCCEEDED(hr) && iid == __uuidof(base::IAudioSystemEffectsPropertyStore)) {
            Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> real;
            *real.GetAddressOf() = static_cast<base::IAudioSystemEffectsPropertyStore*>(*object);
            *object = static_cast<base::IAudioSystemEffectsPropertyStore*>(new Store(std::move(real), liveStores_));
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** store) override
    {
        return inner_->OpenPropertyStore(access, store);
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override { return inner_->GetId(id); }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override { return inner_->GetState(state); }
    HRESULT STDMETHODCALLTYPE GetDataFlow(EDataFlow* flow) override
    {
        Microsoft::WRL::ComPtr<IMMEndpoint> endpoint;
        const HRESULT hr = inner_.As(&endpoint);
        return FAILED(hr) ? hr : endpoint->GetDataFlow(flow);
    }

private:
    using Client = base::IAudioSystemEffectsPropertyChangeNotificationClient;

    class Store final : public base::ComObject<base::IAudioSystemEffectsPropertyStore> {
    public:
        Store(Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> inner, std::atomic<int>& live)
            : inner_(std::move(inner)), live_(live)
        {
            ++live_;
        }
        ~Store() override { --live_; }
        HRESULT STDMETHODCALLTYPE OpenDefaultPropertyStore(DWORD access, IPropertyStore** store) override
        {
            return inner_->OpenDefaultPropertyStore(access, store);
        }
        HRESULT STDMETHODCALLTYPE OpenUserPropertyStore(DWORD access, IPropertyStore** store) override
        {
            return inner_->OpenUserPropertyStore(access, store);
        }
        HRESULT STDMETHODCALLTYPE OpenVolatilePropertyStore(DWORD access, IPropertyStore** store) override
        {
            return inner_->OpenVolatilePropertyStore(access, store);
        }
        HRESULT STDMETHODCALLTYPE ResetUserPropertyStore() override { return inner_->ResetUserPropertyStore(); }
        HRESULT STDMETHODCALLTYPE ResetVolatilePropertyStore() override { return inner_->ResetVolatilePropertyStore(); }
        HRESULT STDMETHODCALLTYPE RegisterPropertyChangeNotification(Client* client) override
        {
            return inner_->RegisterPropertyChangeNotification(client);
        }
        HRESULT STDMETHODCALLTYPE UnregisterPropertyChangeNotification(Client* client) override
        {
            return inner_->UnregisterPropertyChangeNotification(client);
        }

    private:
        Microsoft::WRL::ComPtr<base::IAudioSystemEffectsPropertyStore> inner_;
        std::atomic<int>& live_;
    };

    Microsoft::WRL::ComPtr<IMMDevice> inner_;
    std::atomic<int>& liveStores_;
};

}  // namespace qev::winaudio::test
