#include "winaudio/endpoint_notification_hub.h"

#include <thread>

#include "recording_observers.h"
#include "sim_fixture.h"

namespace qev::winaudio::test {
namespace {

class EndpointNotifications : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        speakers_ = SimMachine::AddEndpoint(eRender, kSpeakersGuid, L"Speakers");
        hub_ = &GetEndpointNotificationHub();
        ASSERT_TRUE(hub_->registered());
        hub_->AddObserver(&observer_);
    }
    void TearDown() override { hub_->RemoveObserver(&observer_); }

    std::wstring speakers_;
    EndpointNotificationHub* hub_ = nullptr;
    RecordingEndpointObserver observer_;
};

TEST_F(EndpointNotifications, StateChangeReachesObserversWithTheNewState)
{
    SimMachine::Must({L"set-state", speakers_, L"disabled"});
    ASSERT_TRUE(WaitFor([&] { return observer_.has(EndpointEventKind::DeviceStateChanged, speakers_); }));
    for (const auto& entry : observer_.entries()) {
        if (entry.kind == EndpointEventKind::DeviceStateChanged) {
            EXPECT_EQ(entry.event.new_state(), static_cast<std::uint32_t>(DEVICE_STATE_DISABLED));
        }
    }
}

TEST_F(EndpointNotifications, AddedAndRemovedEndpointsAreReported)
{
    const std::wstring microphone = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone");
    ASSERT_TRUE(WaitFor([&] { return observer_.has(EndpointEventKind::DeviceAdded, microphone); }));
    EXPECT_FALSE(observer_.has(EndpointEventKind::DeviceRemoved, microphone));
    SimMachine::Must({L"remove-endpoint", speakers_});
    ASSERT_TRUE(WaitFor([&] { return observer_.has(EndpointEventKind::DeviceRemoved, speakers_); }));
}

TEST_F(EndpointNotifications, DefaultAndPropertyChangesCarryTheirPayload)
{
    const std::wstring headphones = SimMachine::AddEndpoint(eRender, kHeadphonesGuid, L"Headphones");
    SimMachine::Must({L"set-default", headphones, L"communications"});
    ASSERT_TRUE(WaitFor([&] { return observer_.has(EndpointEventKind::DefaultDeviceChanged, headphones); }));
    SimMachine::Must({L"set-prop", speakers_, L"fx", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", L"1"});
    ASSERT_TRUE(WaitFor([&] { return observer_.has(EndpointEventKind::PropertyValueChanged, speakers_); }));
    bool sawDefault = false;
    bool sawKey = false;
    for (const auto& entry : observer_.entries()) {
        if (entry.kind == EndpointEventKind::DefaultDeviceChanged && entry.event.role() == eCommunications) {
            EXPECT_EQ(entry.event.data_flow(), static_cast<std::uint32_t>(eRender));
            sawDefault = true;
        }
        if (entry.kind == EndpointEventKind::PropertyValueChanged && entry.event.property_key().pid == 6666) {
            sawKey = true;
        }
    }
    EXPECT_TRUE(sawDefault);
    EXPECT_TRUE(sawKey);
}

TEST_F(EndpointNotifications, RemovedObserverHearsNothingMore)
{
    RecordingEndpointObserver late;
    hub_->AddObserver(&late);
    hub_->RemoveObserver(&late);
    SimMachine::Must({L"set-state", speakers_, L"unplugged"});
    ASSERT_TRUE(WaitFor([&] { return observer_.has(EndpointEventKind::DeviceStateChanged, speakers_); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(late.entries().empty());
}

}  // namespace
}  // namespace qev::winaudio::test
