#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "winaudio/audio_session_event_observer.h"
#include "winaudio/audio_session_notification_observer.h"
#include "winaudio/imm_notification_observer.h"

namespace qev::winaudio::test {

// Observers that keep what they were told, for checks from the test thread.
class RecordingEndpointObserver : public ImmNotificationObserver {
public:
    struct Entry {
        EndpointEventKind kind;
        EndpointEvent event;
    };

    HRESULT on_device_notification(EndpointEventKind kind, const EndpointEvent& event) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back({kind, event});
        return S_OK;
    }

    std::vector<Entry> entries() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

class RecordingSessionObserver : public AudioSessionNotificationObserver, public AudioSessionEventObserver {
public:
    struct StateChange {
        AudioSessionState state;
        std::shared_ptr<AudioSessionControlInfo> info;
    };
    struct Disconnect {
        AudioSessionDisconnectReason reason;
        std::shared_ptr<AudioSessionControlInfo> info;
    };

    void on_session_created(const std::wstring& endpointId,
                            Microsoft::WRL::ComPtr<IAudioSessionControl> session) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        createdOn_.push_back(endpointId);
        created_.push_back(session);
    }
    void on_session_state_changed(AudioSessionState state, std::shared_ptr<AudioSessionControlInfo> info) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        states_.push_back({state, info});
    }
    void on_session_disconnected(AudioSessionDisconnectReason reason,
                                 std::shared_ptr<AudioSessionControlInfo> info) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        disconnects_.push_back({reason, info});
    }

    std::vector<std::wstring> createdOn() const { return copy(createdOn_); }
    std::vector<Microsoft::WRL::ComPtr<IAudioSessionControl>> created() const { return copy(created_); }
    std::vector<StateChange> states() const { return copy(states_); }
    std::vector<Disconnect> disconnects() const { return copy(disconnects_); }

private:
    mutable std::mutex mutex_;
    std::vector<std::wstring> createdOn_;
    template <typename T>
    T copy(const T& items) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return items;
    }

    std::vector<Microsoft::WRL::ComPtr<IAudioSessionControl>> created_;
    std::vector<StateChange> states_;
    std::vector<Disconnect> disconnects_;
};

}  // namespace qev::winaudio::test
