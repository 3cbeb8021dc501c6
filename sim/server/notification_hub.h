#pragma once

#include <windows.h>

#include <unknwn.h>
#include <wrl/client.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qevsim {

class MachineWatcher;

// What a registered client listens to; the scope narrows it (lower-case):
//   Endpoint        IMMNotificationClient, scope empty
//   SessionCreated  IAudioSessionNotification, scope = endpoint id
//   SessionEvents   IAudioSessionEvents, scope = endpoint id + "|" + session number
//   EffectStore     IAudioSystemEffectsPropertyChangeNotificationClient, scope = endpoint id + "|" + CLSID
enum class ClientKind { Endpoint, SessionCreated, SessionEvents, EffectStore };

// The clients registered in this process. Registration holds one reference to the client until it
// is unregistered. While any client is registered a MachineWatcher runs and calls them.
class NotificationHub {
public:
    static NotificationHub& instance();

    HRESULT add(ClientKind kind, const std::wstring& scope, IUnknown* client);
    HRESULT remove(ClientKind kind, const std::wstring& scope, IUnknown* client);

    // References to the clients of one kind and scope, taken under the lock and called without it,
    // so a client may unregister (or be released) from inside its own callback.
    std::vector<Microsoft::WRL::ComPtr<IUnknown>> clients(ClientKind kind, const std::wstring& scope) const;

    // Called by the watcher when it found nobody left to serve; true means it should end.
    bool releaseWatcherIfIdle(const MachineWatcher* watcher);

private:
    struct Registration {
        ClientKind kind;
        std::wstring scope;
        Microsoft::WRL::ComPtr<IUnknown> client;
    };

    NotificationHub() = default;
    ~NotificationHub();

    mutable std::mutex mutex_;
    std::vector<Registration> registrations_;
    std::shared_ptr<MachineWatcher> watcher_;
};

}  // namespace qevsim
