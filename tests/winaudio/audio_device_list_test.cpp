#include "winaudio/audio_device_list.h"

#include <atomic>
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

TEST_F(DeviceList, PrintsDefaultsAndNumberedActiveEndpoints)
{
    const std::wstring microphone = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone Array");
    SimMachine::AddEndpoint(eCapture, kHandsFreeGuid, L"Headset", L"disabled");
    SimMachine::Must({L"set-default", microphone, L"all"});

    AudioDeviceList list(nullptr);
    EXPECT_FALSE(list.registered());
    testing::internal::CaptureStdout();
    list.refresh();
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_NE(printed.find("=> default output: " + Narrow(speakers_) + "\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("=> default input: " + Narrow(microphone) + "\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Audio Device 1: Speakers\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Audio Device 1: Microphone Array\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("Headset"), std::string::npos) << "only active endpoints are listed";
    EXPECT_EQ(list.render_names(), std::vector<std::wstring>{L"Speakers"});
    EXPECT_EQ(list.render_ids(), std::vector<std::wstring>{speakers_});
    EXPECT_EQ(list.capture_names(), std::vector<std::wstring>{L"Microphone Array"});
    EXPECT_EQ(list.capture_ids(), std::vector<std::wstring>{microphone});
}

TEST_F(DeviceList, SameNamesKeepTheirOwnIdsAndRefreshAppends)
{
    const std::wstring second = SimMachine::AddEndpoint(eRender, kHeadphonesGuid, L"Speakers");
    AudioDeviceList list(nullptr);
    testing::internal::CaptureStdout();
    list.refresh();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("=> default input: \n"), std::string::npos) << "no capture endpoint: no id";
    ASSERT_EQ(list.render_names(), (std::vector<std::wstring>{L"Speakers", L"Speakers"}));
    ASSERT_EQ(list.render_ids().size(), 2u);
    EXPECT_NE(list.render_ids()[0], list.render_ids()[1]);
    EXPECT_TRUE(list.capture_names().empty());
    EXPECT_TRUE(list.capture_ids().empty());

    testing::internal::CaptureStdout();
    list.refresh();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(list.render_ids().size(), 4u);
    EXPECT_EQ(list.render_ids()[2], list.render_ids()[0]);
}

std::mutex g_mutex;
std::vector<std::wstring> g_stateIds;
std::atomic<int> g_added{0};

TEST_F(DeviceList, CallbacksHearEndpointChanges)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_stateIds.clear();
    }
    DeviceEventCallbacks callbacks;
    // Opening (and releasing) the endpoint is what Windows forbids on its notification threads; the
    // simulator reports it, and the test program fails at its end, if the callback runs on one.
    callbacks.stateChanged = [](LPCWSTR id, DWORD) {
        Microsoft::WRL::ComPtr<IMMDevice> device;
        EXPECT_TRUE(GetDeviceById(id, device));
        std::lock_guard<std::mutex> lock(g_mutex);
        g_stateIds.emplace_back(id);
    };
    callbacks.deviceAdded = [](LPCWSTR) { ++g_added; };
    // The list joins the multithreaded apartment, as the server's main thread does.
    std::thread owner([&] {
        AudioDeviceList list(&callbacks);
        ASSERT_TRUE(list.registered());
        SimMachine::Must({L"set-state", speakers_, L"disabled"});
        ASSERT_TRUE(WaitFor([] {
            std::lock_guard<std::mutex> lock(g_mutex);
            return !g_stateIds.empty();
        }));
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            EXPECT_EQ(_wcsicmp(g_stateIds.front().c_str(), speakers_.c_str()), 0);
        }
        SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone");
        EXPECT_TRUE(WaitFor([] { return g_added.load() > 0; }));
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
