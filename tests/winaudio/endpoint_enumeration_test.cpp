#include <wrl/client.h>

#include <algorithm>

#include "debug_output_capture.h"
#include "sim_fixture.h"
#include "winaudio/endpoint_queries.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {
namespace {

constexpr wchar_t kHardwareId39[] = L"{B3F8FA53-0004-438E-9003-51A46E139BFC},39";
constexpr wchar_t kHardwareId2[] = L"{B3F8FA53-0004-438E-9003-51A46E139BFC},2";

class EndpointEnumeration : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        speakers_ = SimMachine::AddEndpoint(eRender, kSpeakersGuid, L"Speakers");
        headphones_ = SimMachine::AddEndpoint(eRender, kHeadphonesGuid, L"USB Headphones", L"disabled");
        microphone_ = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone Array");
    }

    static std::vector<std::wstring> IdsOf(const std::vector<ComPtr<IMMDevice>>& devices)
    {
        std::vector<std::wstring> ids;
        for (const auto& device : devices) {
            std::wstring id;
            EXPECT_TRUE(GetDeviceId(device, id));
            ids.push_back(id);
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    std::wstring speakers_;
    std::wstring headphones_;
    std::wstring microphone_;
};

TEST_F(EndpointEnumeration, ListsEveryEndpointOfAFlowInAnyStateWithFlowAndName)
{
    std::vector<ComPtr<IMMDevice>> render;
    ASSERT_TRUE(EnumerateEndpoints(render, eRender));
    std::vector<std::wstring> expected = {speakers_, headphones_};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(IdsOf(render), expected);
    ComPtr<IMMDevice> device;
    ASSERT_TRUE(GetDeviceById(headphones_, device));
    EDataFlow flow = eAll;
    ASSERT_TRUE(GetDataFlow(device, flow));
    EXPECT_EQ(flow, eRender);
    std::wstring name = L"stale";
    ASSERT_TRUE(GetFriendlyName(device, name));
    EXPECT_EQ(name, L"USB Headphones");
    // The queries took their own references and let them go: ours is the only one left.
    device->AddRef();
    EXPECT_EQ(device->Release(), 1u);
}

TEST_F(EndpointEnumeration, HardwareIdsClassifyUsbAndBluetooth)
{
    const std::wstring handsFree = SimMachine::AddEndpoint(eCapture, kHandsFreeGuid, L"Headset (Hands-Free)");
    SimMachine::SetDeviceProperty(headphones_, kHardwareId39, L"sz", {L"{1}.USB\\VID_0D8C&PID_0014&MI_00"});
    // ,39 present but empty: the id comes from ,2.
    SimMachine::SetDeviceProperty(handsFree, kHardwareId39, L"sz", {L""});
    SimMachine::SetDeviceProperty(handsFree, kHardwareId2, L"sz", {L"BTHHFENUM\\BthHFPAudio\\8&1b2c&0&97"});
    SimMachine::SetDeviceProperty(microphone_, kHardwareId39, L"sz", {L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0295"});
    const struct {
        std::wstring id;
        const wchar_t* hardwareId;
        bool usb;
        bool bluetooth;
    } rows[] = {{headphones_, L"{1}.USB\\VID_0D8C&PID_0014&MI_00", true, false},
                {handsFree, L"BTHHFENUM\\BthHFPAudio\\8&1b2c&0&97", false, true},
                {microphone_, L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0295", false, false}};
    for (const auto& row : rows) {
        ComPtr<IMMDevice> device;
        ASSERT_TRUE(GetDeviceById(row.id, device));
        std::wstring hardwareId;
        ASSERT_TRUE(GetHardwareId(device, hardwareId));
        EXPECT_EQ(hardwareId, row.hardwareId);
        EXPECT_EQ(IsUsbEndpoint(device), row.usb);
        EXPECT_EQ(IsBluetoothEndpoint(device), row.bluetooth);
    }
}

TEST_F(EndpointEnumeration, FailedQueriesAnswerEmptyWithTheirMessage)
{
    SimMachine::SetDeviceProperty(speakers_, L"{A45C254E-DF1C-4EFD-8020-67D146A850E0},14", L"dword", {L"7"});
    const DebugOutputCapture log;
    ComPtr<IMMDevice> device;
    ASSERT_TRUE(GetDeviceById(speakers_, device));
    std::wstring text = L"stale";
    EXPECT_FALSE(GetFriendlyName(device, text));
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(log.contains(L"[qev] Unexpected prop varaint type: 19\n"));
    text = L"stale";
    EXPECT_FALSE(GetHardwareId(device, text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(IsUsbEndpoint(device));
    EXPECT_FALSE(IsBluetoothEndpoint(device));
    // Both reads succeed with an empty value: the last result is logged.
    EXPECT_TRUE(log.contains(L"[qev] Failed to get device hardware id, hr: 0x00000000\n"));
    EXPECT_FALSE(GetDeviceById(SimMachine::RenderId(L"{99999999-2222-3333-4444-555555555599}"), device));
    EXPECT_FALSE(device) << "the old reference is released first";
    EXPECT_TRUE(log.contains(L"[qev] Failed to get device, hr: 0x80070490\n"));

    SimMachine::Fresh(kWindows10Build);
    std::vector<ComPtr<IMMDevice>> capture;
    EXPECT_TRUE(EnumerateEndpoints(capture, eCapture));
    EXPECT_TRUE(capture.empty());
    EXPECT_TRUE(log.contains(L"[qev] Device list is empty\n"));
}

}  // namespace
}  // namespace qev::winaudio::test
