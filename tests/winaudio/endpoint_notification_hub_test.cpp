#include "winaudio/endpoint_notification_hub.h"

#include "recording_observers.h"
#include "sim_fixture.h"

namespace qev::winaudio::test {
namespace {

TEST(EndpointNotifications, EachKindReachesObserversWithItsPayloadAndRemovedObserversHearNothing)
{
    const base::ComInit com(kAudioComFlags, kAudioComFallbackFlags);
    SimMachine::Fresh(22631);
    const std::wstring speakers = SimMachine::AddEndpoint(eRender, L"{11111111-2222-3333-4444-555555555501}", L"S");
    const std::wstring headphones = SimMachine::RenderId(L"{11111111-2222-3333-4444-555555555502}");
    EndpointNotificationHub& hub = GetEndpointNotificationHub();
    ASSERT_TRUE(hub.registered());
    RecordingEndpointObserver observer;
    RecordingEndpointObserver removed;
    hub.AddObserver(&observer);
    hub.AddObserver(&removed);
    hub.RemoveObserver(&removed);
    using Kind = EndpointEventKind;
    const struct {
        std::vector<std::wstring> change;
        Kind kind;
        std::wstring id;
        std::uint32_t payload;  // the new state, the role or the property's pid
    } steps[] = {
        {{L"set-state", speakers, L"disabled"}, Kind::DeviceStateChanged, speakers, DEVICE_STATE_DISABLED},
        {{L"add-endpoint", L"render", L"{11111111-2222-3333-4444-555555555502}", L"H"},
         Kind::DeviceAdded,
         headphones,
         0},
        {{L"set-default", headphones, L"communications"}, Kind::DefaultDeviceChanged, headphones, eCommunications},
        {{L"set-prop", speakers, L"fx", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", L"1"},
         Kind::PropertyValueChanged,
         speakers,
         6666},
        {{L"remove-endpoint", headphones}, Kind::DeviceRemoved, headphones, 0},
    };
    // Heard once an entry of the step's kind names its endpoint and carries its payload.
    const auto heard = [&](const auto& step) {
        for (const auto& [kind, event] : observer.entries()) {
            const std::uint32_t payload = kind == Kind::DeviceStateChanged     ? event.new_state()
                                          : kind == Kind::DefaultDeviceChanged ? event.role()
                                          : kind == Kind::PropertyValueChanged ? event.property_key().pid
                                                                               : 0;
            if (kind == step.kind && _wcsicmp(event.endpointId.c_str(), step.id.c_str()) == 0 &&
                payload == step.payload && (kind != Kind::DefaultDeviceChanged || event.data_flow() == eRender)) {
                return true;
            }
        }
        return false;
    };
    for (const auto& step : steps) {
        SimMachine::Must(step.change);
        EXPECT_TRUE(WaitFor([&] { return heard(step); })) << static_cast<int>(step.kind);
    }
    hub.RemoveObserver(&observer);
    EXPECT_TRUE(removed.entries().empty());
}

}  // namespace
}  // namespace qev::winaudio::test
