#pragma once

#include <windows.h>

#include <unknwn.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qevsim {

class MachineWatcher;

// What a registered client listens to; the scope narrows it (compared without case):
//   Endpoint        IMMNotificationClient, scope empty
//   SessionCreated  IAudioSessionNotification, scope = endpoint id
//   SessionEvents   IAudioSessionEvents, scope = endpoint id + "|" + session number
//   EffectStore     IAudioSystemEffectsPropertyChangeNotificationClient, scope = endpoint id + "|" + CLSID
enum class ClientKind { Endpoint, SessionCreated, SessionEvents, EffectStore };

// When a registration is served at all. Session-created notifications reach only a client that
// registered from the multithreaded apartment, and only once an enumerator of its session manager
// was counted (IAudioSessionEnumerator::GetCount).
struct DeliveryCondition {
    bool multithreadedApartment = true;
    std::shared_ptr<const std::atomic<bool>> enumerated;  // null: no such condition
    // Session clients: the audio service run they registered in; they hear only changes made in
    // it, nothing after the service stopped (0: every change).
    DWORD run = 0;
};

// The clients registered in this process. Every add is a registration of its own: a client added
// twice is called twice and needs two removals. A registration holds a reference to its client
// only where the documentation says the source takes one (holdReference). While any client is
// registered a MachineWatcher runs and calls them.
class NotificationHub {
public:
    static NotificationHub& instance();

    // Refused (E_ILLEGAL_METHOD_CALL, a violation) inside a notification callback.
    HRESULT add(ClientKind kind, const std::wstring& scope, IUnknown* client, bool holdReference,
                DeliveryCondition condition = {});
    // Removes one registration; returns once no callback to it is running any more, so the client
    // may be freed afterwards. Refused inside a notification callback.
    HRESULT remove(ClientKind kind, const std::wstring& scope, IUnknown* client);

    // Calls `call` with every served client of kind and scope, one after the other, each inside a
    // CallbackScope; a registration removed meanwhile is skipped. run: the service run the change
    // was made in.
    void forEach(ClientKind kind, const std::wstring& scope, DWORD run, const std::function<void(IUnknown*)>& call);

    // Called by the watcher when it found nobody left to serve; true means it should end.
    bool releaseWatcherIfIdle(const MachineWatcher* watcher);

private:
    struct Registration {
        ClientKind kind;
        std::wstring scope;  // lower-case
        IUnknown* client;
        bool holdsReference;
        DeliveryCondition condition;
        bool removed = false;  // guarded by mutex_
        int running = 0;       // callbacks in flight, guarded by mutex_
    };

    NotificationHub() = default;
    ~NotificationHub();

    void waitUntilIdle(const std::shared_ptr<Registration>& registration, std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable idle_;  // a callback ended; with mutex_
    std::vector<std::shared_ptr<Registration>> registrations_;
    std::shared_ptr<MachineWatcher> watcher_;
};

}  // namespace qevsim
