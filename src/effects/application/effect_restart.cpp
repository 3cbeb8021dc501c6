#include "effects/application/effect_restart.h"

#include <chrono>
#include <thread>

#include "base/logging.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winaudio/endpoint_queries.h"

using qev::winaudio::AudioEndpointPropertyStore;

namespace qev::effects {

namespace {

constexpr int kShowAttempts = 10;
constexpr std::chrono::milliseconds kShowInterval(500);

unsigned hex(HRESULT hr)
{
    return static_cast<unsigned>(hr);
}

// Hides the endpoint; true once it reads as disabled.
bool hide(const AudioEndpointPropertyStore& store, IMMDevice* endpoint)
{
    HRESULT hr = store.SetEndpointVisibility(false);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to set endpoint visibility, err: 0x%08X\n", hex(hr));
        base::log_wprintf(L"Failed to set endpoint visibility\n");
        return false;
    }
    DWORD state = 0;
    hr = winaudio::GetDeviceState(endpoint, state);
    if (FAILED(hr)) {
        base::log_wprintf(L"Set endpoint visibility to false, failed to get device state: 0x%08X\n", hex(hr));
        return false;
    }
    if (state != DEVICE_STATE_DISABLED) {
        base::log_wprintf(L"Set endpoint visibility to false, but state not changed\n");
        return false;
    }
    return true;
}

void show_until_active(const AudioEndpointPropertyStore& store, IMMDevice* endpoint)
{
    for (int attempt = 0; attempt < kShowAttempts; ++attempt) {
        std::this_thread::sleep_for(kShowInterval);
        const HRESULT hr = store.SetEndpointVisibility(true);
        if (FAILED(hr)) {
            base::log_wprintf(L"Failed to set endpoint visibility, err: 0x%08X\n", hex(hr));
        }
        DWORD state = 0;
        if (FAILED(winaudio::GetDeviceState(endpoint, state))) {
            base::log_wprintf(L"[%d] Set endpoint visibility to true, failed to get device state\n", attempt);
            continue;
        }
        base::log_wprintf(L"[%d] Set endpoint visibility to true, device state is %lu\n", attempt, state);
        if (state == DEVICE_STATE_ACTIVE) {
            base::log_wprintf(L"Device state is active, finish applying effect\n");
            return;
        }
    }
}

}  // namespace

void ApplyEffect(IMMDevice* endpoint)
{
    if (endpoint == nullptr) {
        return;
    }
    const AudioEndpointPropertyStore store(endpoint, L"");
    base::log_wprintf(L"Apply effect, device id: %s\n", store.GetDeviceId().c_str());
    DWORD state = 0;
    const HRESULT hr = winaudio::GetDeviceState(endpoint, state);
    if (FAILED(hr)) {
        base::log_wprintf(L"Failed to get device state: 0x%08X, stop applying effect\n", hex(hr));
        return;
    }
    if (state != DEVICE_STATE_ACTIVE) {
        base::log_wprintf(L"Device is not active, stop applying effect\n");
        return;
    }
    if (store.GetPolicyConfig() == nullptr || store.GetDeviceId().empty()) {
        base::log_wprintf(L"Failed to set endpoint visibility\n");
        return;
    }
    if (hide(store, endpoint)) {
        show_until_active(store, endpoint);
    }
}

}  // namespace qev::effects
