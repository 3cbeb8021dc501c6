// The endpoint notification client and its hub under both readings of the registration's reference
// (the simulator's EndpointCallbackAddRef switch, off: the current documentation, on: the older):
// their lifetime never rests on a reference the enumerator may or may not hold, and the hub's
// observers may do what Windows forbids on its notification threads.
#include "winaudio/imm_notification_client_impl.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "recording_observers.h"
#include "sim_fixture.h"
#include "winaudio/audio_session_notification_monitor.h"
#include "winaudio/endpoint_notification_hub.h"
#include "winaudio/endpoint_queries.h"

namespace qev::winaudio::test {
namespace {

std::atomic<int> g_stateChanges{0};

HRESULT CountStateChange(LPCWSTR, DWORD, void* context)
{
    if (context == nullptr) {
        return E_INVALIDARG;
    }
    ++g_stateChanges;
    return S_OK;
}

// Starts watching an endpoint's sessions when it becomes active, as the session filter does.
class SessionWatchingObserver : public ImmNotificationObserver {
public:
    explicit SessionWatchingObserver(std::wstring endpoint) : endpoint_(std::move(endpoint)) {}

    HRESULT on_device_notification(EndpointEventKind kind, const EndpointEvent& event) override
    {
        Microsoft::WRL::ComPtr<IMMDevice> device;
        if (kind != EndpointEventKind::DeviceStateChanged || event.new_state() != DEVICE_STATE_ACTIVE ||
            _wcsicmp(event.endpointId.c_str(), endpoint_.c_str()) != 0 || !GetDeviceById(endpoint_, device)) {
            return S_OK;
        }
        auto monitor = std::make_shared<AudioSessionNotificationMonitor>(device);
        monitor->add_observer(&sessions);
        std::lock_guard<std::mutex> lock(mutex_);
        monitor_ = std::move(monitor);
        return S_OK;
    }

    bool watching() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return monitor_ && monitor_->registered();
    }

    RecordingSessionObserver sessions;

private:
    const std::wstring endpoint_;
    mutable std::mutex mutex_;
    std::shared_ptr<AudioSessionNotificationMonitor> monitor_;
};

class ImmNotificationClient : public SimTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        speakers_ = SimMachine::AddEndpoint(eRender, kSpeakersGuid, L"Speakers");
        SimMachine::Must({L"switch", L"EndpointCallbackAddRef", GetParam() ? L"on" : L"off"});
        g_stateChanges = 0;
    }

    std::wstring speakers_;
};

TEST_P(ImmNotificationClient, OutsideReferencesComeAndGoWhileItStaysRegistered)
{
    auto* client = new ImmNotificationClientImpl();
    ASSERT_TRUE(client->Initialize());
    ImmNotificationCallbacks callbacks;
    callbacks.deviceStateChanged = &CountStateChange;
    ASSERT_TRUE(client->Register(callbacks, client));
    EXPECT_FALSE(client->Register(callbacks, client)) << "registers once";
    // A passing holder: without a reference of the enumerator's it once looked like the last one.
    Microsoft::WRL::ComPtr<IMMNotificationClient> passing;
    ASSERT_EQ(client->QueryInterface(IID_PPV_ARGS(&passing)), S_OK);
    passing.Reset();

    SimMachine::Must({L"set-state", speakers_, L"disabled"});
    EXPECT_TRUE(WaitFor([] { return g_stateChanges.load() > 0; })) << "unregistered too early";
    EXPECT_TRUE(client->Unregister());
    EXPECT_EQ(client->Release(), 0u) << "nothing else may hold it once unregistered";
}

TEST_P(ImmNotificationClient, HubObserversMayStartWatchingSessions)
{
    const std::wstring microphone = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone", L"disabled");
    SessionWatchingObserver observer(microphone);
    EndpointNotificationHub& hub = GetEndpointNotificationHub();
    ASSERT_TRUE(hub.registered());
    hub.AddObserver(&observer);
    SimMachine::Must({L"set-state", microphone, L"active"});
    EXPECT_TRUE(WaitFor([&] { return observer.watching(); })) << "registration refused on the notification thread";
    SimMachine::AddSession(microphone, 4242, L"active");
    EXPECT_TRUE(WaitFor([&] { return !observer.sessions.created().empty(); }));
    hub.RemoveObserver(&observer);
}

INSTANTIATE_TEST_SUITE_P(EndpointCallbackAddRef, ImmNotificationClient, ::testing::Bool());

}  // namespace
}  // namespace qev::winaudio::test
