#include "notification_hub.h"

#include <algorithm>

#include "audio_interfaces.h"
#include "machine_watcher.h"
#include "reg_key.h"

namespace qevsim {

NotificationHub& NotificationHub::instance()
{
    static NotificationHub hub;
    return hub;
}

NotificationHub::~NotificationHub()
{
    // Runs only at process exit (the watcher keeps the DLL loaded while anyone is registered):
    // the clients' own code may already be torn down, so their references are dropped unreleased.
    for (auto& registration : registrations_) {
        registration.client.Detach();
    }
}

HRESULT NotificationHub::add(ClientKind kind, const std::wstring& scope, IUnknown* client)
{
    if (client == nullptr) {
        return E_POINTER;
    }
    const std::wstring lowered = toLower(scope);
    std::lock_guard<std::mutex> lock(mutex_);
    const bool known = std::any_of(registrations_.begin(), registrations_.end(), [&](const Registration& r) {
        return r.kind == kind && r.scope == lowered && r.client.Get() == client;
    });
    if (known) {
        return S_OK;
    }
    if (!watcher_) {
        // The baseline is taken before this returns, so every later change is reported.
        auto watcher = MachineWatcher::start();
        if (!watcher) {
            return E_FAIL;
        }
        watcher_ = std::move(watcher);
    }
    registrations_.push_back({kind, lowered, client});
    return S_OK;
}

HRESULT NotificationHub::remove(ClientKind kind, const std::wstring& scope, IUnknown* client)
{
    if (client == nullptr) {
        return E_POINTER;
    }
    const std::wstring lowered = toLower(scope);
    Microsoft::WRL::ComPtr<IUnknown> released;  // released after the lock is left
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = std::find_if(registrations_.begin(), registrations_.end(), [&](const Registration& r) {
        return r.kind == kind && r.scope == lowered && r.client.Get() == client;
    });
    if (found == registrations_.end()) {
        return kElementNotFound;
    }
    released = std::move(found->client);
    registrations_.erase(found);
    if (registrations_.empty() && watcher_) {
        watcher_->requestStop();
    }
    return S_OK;
}

std::vector<Microsoft::WRL::ComPtr<IUnknown>> NotificationHub::clients(ClientKind kind, const std::wstring& scope) const
{
    const std::wstring lowered = toLower(scope);
    std::vector<Microsoft::WRL::ComPtr<IUnknown>> result;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& registration : registrations_) {
        if (registration.kind == kind && registration.scope == lowered) {
            result.push_back(registration.client);
        }
    }
    return result;
}

bool NotificationHub::releaseWatcherIfIdle(const MachineWatcher* watcher)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!registrations_.empty()) {
        return false;
    }
    if (watcher_.get() == watcher) {
        watcher_.reset();
    }
    return true;
}

}  // namespace qevsim
