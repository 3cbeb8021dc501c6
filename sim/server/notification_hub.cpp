#include "notification_hub.h"

#include <objbase.h>

#include <algorithm>
#include <chrono>

#include "audio_interfaces.h"
#include "callback_scope.h"
#include "contract.h"
#include "machine_watcher.h"
#include "reg_key.h"

namespace qevsim {

namespace {

// Windows waits for a running callback before an unregistration returns; a callback that never
// ends would hang the caller there. The simulator waits this long and reports it.
constexpr auto kCallbackWaitLimit = std::chrono::seconds(10);

struct CallNames {
    const wchar_t* add;
    const wchar_t* remove;
};

CallNames callNames(ClientKind kind)
{
    switch (kind) {
    case ClientKind::Endpoint:
        return {L"RegisterEndpointNotificationCallback", L"UnregisterEndpointNotificationCallback"};
    case ClientKind::SessionCreated:
        return {L"RegisterSessionNotification", L"UnregisterSessionNotification"};
    case ClientKind::SessionEvents:
        return {L"RegisterAudioSessionNotification", L"UnregisterAudioSessionNotification"};
    case ClientKind::EffectStore:
        break;
    }
    return {L"RegisterPropertyChangeNotification", L"UnregisterPropertyChangeNotification"};
}

bool served(const DeliveryCondition& condition, DWORD run)
{
    return condition.multithreadedApartment && (!condition.enumerated || condition.enumerated->load()) &&
           (condition.run == 0 || condition.run == run);
}

}  // namespace

NotificationHub& NotificationHub::instance()
{
    static NotificationHub hub;
    return hub;
}

NotificationHub::~NotificationHub()
{
    // Runs only at process exit (the watcher keeps the DLL loaded while anyone is registered): the
    // clients' own code may already be torn down, so the references held are dropped unreleased.
}

HRESULT NotificationHub::add(ClientKind kind, const std::wstring& scope, IUnknown* client, bool holdReference,
                             DeliveryCondition condition)
{
    if (const HRESULT refused = refuseInsideCallback(callNames(kind).add); FAILED(refused)) {
        return refused;
    }
    if (client == nullptr) {
        return E_POINTER;
    }
    auto registration =
        std::make_shared<Registration>(Registration{kind, toLower(scope), client, holdReference, std::move(condition)});
    std::lock_guard<std::mutex> lock(mutex_);
    if (!watcher_) {
        // The journal's position is taken before this returns, so every later change is reported.
        watcher_ = MachineWatcher::start();
        if (!watcher_) {
            return E_FAIL;
        }
    }
    if (holdReference) {
        client->AddRef();
    }
    registrations_.push_back(std::move(registration));
    return S_OK;
}

HRESULT NotificationHub::remove(ClientKind kind, const std::wstring& scope, IUnknown* client)
{
    if (const HRESULT refused = refuseInsideCallback(callNames(kind).remove); FAILED(refused)) {
        return refused;
    }
    if (client == nullptr) {
        return E_POINTER;
    }
    const std::wstring lowered = toLower(scope);
    std::unique_lock<std::mutex> lock(mutex_);
    const auto found = std::find_if(registrations_.begin(), registrations_.end(), [&](const auto& r) {
        return r->kind == kind && r->scope == lowered && r->client == client;
    });
    if (found == registrations_.end()) {
        return kElementNotFound;
    }
    const std::shared_ptr<Registration> registration = *found;
    registration->removed = true;
    registrations_.erase(found);
    if (registrations_.empty() && watcher_) {
        watcher_->requestStop();
    }
    waitUntilIdle(registration, lock);
    lock.unlock();
    if (registration->holdsReference) {
        client->Release();
    }
    return S_OK;
}

void NotificationHub::waitUntilIdle(const std::shared_ptr<Registration>& registration,
                                    std::unique_lock<std::mutex>& lock)
{
    if (!idle_.wait_for(lock, kCallbackWaitLimit, [&] { return registration->running == 0; })) {
        lock.unlock();
        Contract::reportViolation(std::wstring(callNames(registration->kind).remove) +
                                  L" waited 10 s for a callback of that client that did not end");
        lock.lock();
    }
}

void NotificationHub::forEach(ClientKind kind, const std::wstring& scope, DWORD run,
                              const std::function<void(IUnknown*)>& call)
{
    const std::wstring lowered = toLower(scope);
    std::vector<std::shared_ptr<Registration>> targets;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& registration : registrations_) {
            if (registration->kind == kind && registration->scope == lowered) {
                targets.push_back(registration);
            }
        }
    }
    for (const auto& target : targets) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (target->removed || !served(target->condition, run)) {
                continue;
            }
            ++target->running;
        }
        {
            const CallbackScope inside;
            call(target->client);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --target->running;
        }
        idle_.notify_all();
    }
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
