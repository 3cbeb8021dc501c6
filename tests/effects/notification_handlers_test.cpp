#include "effects/application/endpoint_notification_handlers.h"

#include "effects_on_laptop.h"
#include "debug_output_capture.h"
#include "effects/application/effect_restart.h"
#include "effects/application/endpoint_lookup.h"
#include "effects/application/pending_endpoints.h"
#include "effects/environment/apo_environment.h"
#include "winaudio/audio_device_list.h"
#include "winaudio/endpoint_queries.h"

namespace qev::effects::test {
namespace {

using winaudio::test::SimMachine;
using winaudio::test::WaitFor;

constexpr wchar_t kDockGuid[] = L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E20}";
constexpr wchar_t kModeList[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14";

// The handlers registered with the simulated machine for one test, as the datapath manager does it
// (from the multithreaded apartment).
class HandlersOnApoLaptop : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadApoLaptop(22631);
        RebuildApoEnvironment();
        callbacks_.stateChanged = &OnEndpointStateChanged;
        callbacks_.deviceAdded = &OnEndpointAdded;
        callbacks_.propertyValueChanged = &OnEndpointPropertyChanged;
        devices_ = std::make_unique<winaudio::AudioDeviceList>(&callbacks_);
        ASSERT_TRUE(devices_->registered());
    }

    void TearDown() override
    {
        devices_.reset();
        WaitForEndpointNotifications();
    }

    base::ComInit com_{COINIT_MULTITHREADED};
    winaudio::DeviceEventCallbacks callbacks_;
    std::unique_ptr<winaudio::AudioDeviceList> devices_;
};

TEST_F(HandlersOnApoLaptop, EndpointAddedWithoutFilterPathIsInstalledOnceThePathArrives)
{
    const std::wstring id = SimMachine::AddEndpoint(eCapture, kDockGuid, L"Dock Microphone");
    SimMachine::SetDeviceProperty(id, L"{b3f8fa53-0004-438e-9003-51a46e139bfc},39", L"sz",
                                  {L"HDAUDIO\\FUNC_01&VEN_1106&DEV_4441&SUBSYS_00000000"});
    ASSERT_TRUE(WaitFor([&] { return PendingEndpoints::Instance().Contains(id); }));
    WaitForEndpointNotifications();
    EXPECT_EQ(FxText(id, kModeList), L"-");

    SimMachine::SetDeviceProperty(id, L"{233164c8-1b2c-4c7d-bc68-b671687a2567},1", L"sz",
                                  {L"{2}.\\\\?\\hdaudio#func_01&ven_1106&dev_4441#1&0#{6994ad04-93ef-11d0-a3cc-"
                                   L"00a0c9223196}\\micinwave"});
    EXPECT_TRUE(WaitFor([&] { return FxText(id, kModeList) == kCaptureMode; }));
    WaitForEndpointNotifications();
    EXPECT_FALSE(PendingEndpoints::Instance().Contains(id));
}

TEST_F(ApoLaptop, ApplyEffectRestartsOnlyAnActiveEndpoint)
{
    const std::vector<std::string> shown = {"[qev] [0] Set endpoint visibility to true, device state is 1\n",
                                            "[qev] Device state is active, finish applying effect\n"};
    struct Row {
        const char* name;
        const wchar_t* state;
        std::vector<std::string> lines;
        DWORD stateAfter;
    };
    const Row rows[] = {
        {"disabled", L"disabled", {"[qev] Device is not active, stop applying effect\n"}, DEVICE_STATE_DISABLED},
        {"active", L"active", shown, DEVICE_STATE_ACTIVE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoadApo(22631, {{L"set-state", kUsbSpeakers, row.state}});
        const DebugOutputCapture log;
        const auto device = LookUpEndpoint(kUsbSpeakers);
        ASSERT_TRUE(device);
        ApplyEffect(device.Get());
        std::vector<std::string> lines = log.lines();
        ASSERT_FALSE(lines.empty());
        lines.erase(lines.begin());  // "Apply effect, device id: ..."
        EXPECT_EQ(lines, row.lines);
        DWORD state = 0;
        ASSERT_HRESULT_SUCCEEDED(winaudio::GetDeviceState(device, state));
        EXPECT_EQ(state, row.stateAfter);
    }
}

}  // namespace
}  // namespace qev::effects::test
