#include "winaudio/audio_device_list.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "sim_fixture.h"
#include "winaudio/endpoint_queries.h"

namespace qev::winaudio::test {
namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class DeviceList : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        speakers_ = SimMachine::AddEndpoint(eRender, kSpeakersGuid, L"Speakers");
        SimMachine::Must({L"set-default", speakers_, L"all"});
    }

    std::wstring speakers_;
};

TEST_F(DeviceList, PrintsDefaultsAndNumberedActiveEndpointsAndRefreshAppends)
{
    const std::wstring second = SimMachine::AddEndpoint(eRender, kHeadphonesGuid, L"Speakers");
    SimMachine::AddEndpoint(eCapture, kHandsFreeGuid, L"Headset", L"disabled");
    AudioDeviceList list(nullptr);
    EXPECT_FALSE(list.registered());
    testing::internal::CaptureStdout();
    list.refresh();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("=> default output: " + Narrow(speakers_) + "\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("=> default input: \n"), std::string::npos) << "no active capture endpoint: no id";
    EXPECT_NE(printed.find("Audio Device 1: Speakers\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("Headset"), std::string::npos) << "only active endpoints are listed";
    EXPECT_EQ(list.render_names(), (std::vector<std::wstring>{L"Speakers", L"Speakers"}));
    std::vector<std::wstring> ids = {speakers_, second};
    std::vector<std::wstring> listed = list.render_ids();
    std::sort(ids.begin(), ids.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, ids) << "same names keep their own ids";
    EXPECT_TRUE(list.capture_ids().empty());

    const std::wstring microphone = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone Array");
    SimMachine::Must({L"set-default", microphone, L"all"});
    testing::internal::CaptureStdout();
    list.refresh();
    printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("=> default input: " + Narrow(microphone) + "\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Audio Device 1: Microphone Array\n"), std::string::npos) << printed;
    EXPECT_EQ(list.capture_names(), std::vector<std::wstring>{L"Microphone Array"});
    EXPECT_EQ(list.capture_ids(), std::vector<std::wstring>{microphone});
    ASSERT_EQ(list.render_ids().size(), 4u) << "a refresh appends";
    EXPECT_EQ(list.render_ids()[2], list.render_ids()[0]);
}

// Windows passes no id when a role has no default endpoint any more.
std::wstring Text(LPCWSTR id)
{
    return id != nullptr ? id : L"(none)";
}

std::mutex g_mutex;
std::vector<std::wstring> g_heard;  // guarded by g_mutex

void Hear(const std::wstring& line)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_heard.push_back(line);
}

bool Heard(const std::wstring& line)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return std::any_of(g_heard.begin(), g_heard.end(),
                       [&](const std::wstring& heard) { return _wcsicmp(heard.c_str(), line.c_str()) == 0; });
}

TEST_F(DeviceList, CallbacksHearEachKindOfEndpointChange)
{
    DeviceEventCallbacks callbacks;
    // Opening (and releasing) the endpoint is what Windows forbids on its notification threads; the
    // simulator reports it, and the test program fails at its end, if the callback runs on one.
    callbacks.stateChanged = [](LPCWSTR id, DWORD state) {
        Microsoft::WRL::ComPtr<IMMDevice> device;
        EXPECT_TRUE(GetDeviceById(id, device));
        Hear(L"state " + Text(id) + L" " + std::to_wstring(state));
    };
    callbacks.deviceAdded = [](LPCWSTR id) { Hear(L"added " + Text(id)); };
    callbacks.deviceRemoved = [](LPCWSTR id) { Hear(L"removed " + Text(id)); };
    callbacks.defaultDeviceChanged = [](EDataFlow flow, ERole role, LPCWSTR id) {
        Hear(L"default " + std::to_wstring(flow) + L" " + std::to_wstring(role) + L" " + Text(id));
    };
    callbacks.propertyValueChanged = [](LPCWSTR id, PROPERTYKEY key) {
        Hear(L"property " + Text(id) + L" " + std::to_wstring(key.pid));
    };
    const std::wstring microphone = SimMachine::CaptureId(kMicrophoneGuid);
    const struct {
        std::vector<std::wstring> change;
        std::wstring heard;
    } steps[] = {
        {{L"set-state", speakers_, L"disabled"}, L"state " + speakers_ + L" 2"},
        {{L"add-endpoint", L"capture", kMicrophoneGuid, L"Microphone"}, L"added " + microphone},
        {{L"set-default", microphone, L"communications"}, L"default 1 2 " + microphone},
        {{L"set-prop", microphone, L"fx", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", L"1"},
         L"property " + microphone + L" 6666"},
        {{L"remove-endpoint", microphone}, L"removed " + microphone},
    };
    // The list joins the multithreaded apartment, as the server's main thread does.
    std::thread owner([&] {
        AudioDeviceList list(&callbacks);
        ASSERT_TRUE(list.registered());
        for (const auto& step : steps) {
            SimMachine::Must(step.change);
            EXPECT_TRUE(WaitFor([&] { return Heard(step.heard); })) << Narrow(step.heard);
        }
    });
    owner.join();
}

TEST_F(DeviceList, OnAThreadOfAnotherApartmentNothingIsRegistered)
{
    // The test thread is apartment-threaded: the multithreaded initialisation fails and stops here.
    DeviceEventCallbacks callbacks;
    AudioDeviceList list(&callbacks);
    EXPECT_FALSE(list.registered());
}

}  // namespace
}  // namespace qev::winaudio::test
