// Values written right after an endpoint appears: the watcher's reading that first sees the
// endpoint already holds them, and they must still be reported (not only "endpoint added").
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "base/event.h"
#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kLateId[] = L"{0.0.1.00000000}.{33333333-0000-4000-8000-000000000001}";
constexpr wchar_t kLateKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{33333333-0000-4000-8000-000000000001}";
constexpr wchar_t kTriggerName[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9990";
constexpr wchar_t kEffectSetting[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9991";
constexpr wchar_t kFriendlyName[] = L"{a45c254e-df1c-4efd-8020-67d146a850e0},14";
constexpr DWORD kTriggerPid = 9990;

// Holds the simulator's notification thread inside the first trigger notification until released,
// so the changes made meanwhile all land in the thread's next reading.
class BlockingClient final : public EndpointRecorder {
public:
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY key) override
    {
        if (key.pid == kTriggerPid && !blocked_.exchange(true)) {
            ::SetEvent(entered_.get());
            ::WaitForSingleObject(release_.get(), 10000);  // bounded: a failing test must not hang
        }
        return S_OK;
    }
    bool waitEntered() const { return ::WaitForSingleObject(entered_.get(), 5000) == WAIT_OBJECT_0; }
    void release() const { ::SetEvent(release_.get()); }

private:
    const qev::base::UniqueKernelHandle entered_ = qev::base::create_event(qev::base::EventReset::manual);
    const qev::base::UniqueKernelHandle release_ = qev::base::create_event(qev::base::EventReset::manual);
    std::atomic<bool> blocked_{false};
};

// Releases the held notification thread on every way out of the test.
struct ReleaseOnExit {
    const BlockingClient* client;
    ~ReleaseOnExit() { client->release(); }
};

// Makes the endpoint directly in the registry, as a driver install would, with the per-APO store
// keys of the test APO and a friendly name.
void createLateEndpoint()
{
    const DWORD active = DEVICE_STATE_ACTIVE;
    ASSERT_EQ(rawWrite(kLateKey, L"DeviceState", REG_DWORD, &active, sizeof(active)), ERROR_SUCCESS);
    const std::wstring name = L"Late Microphone";
    ASSERT_EQ(rawWrite(std::wstring(kLateKey) + L"\\Properties", kFriendlyName, REG_SZ, name.c_str(),
                       static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_NO_FATAL_FAILURE(createStoreKeys(kLateKey));
}

TEST(NewEndpointNotificationTest, ValuesWrittenRightAfterAnEndpointAppearsAreReported)
{
    ComScope com;
    ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
    const auto enumerator = makeEnumerator();
    ASSERT_TRUE(enumerator);
    ComPtr<EndpointRecorder> endpoints = adopt(new EndpointRecorder());
    ASSERT_EQ(enumerator->RegisterEndpointNotificationCallback(endpoints.Get()), S_OK);
    ComPtr<BlockingClient> blocker = adopt(new BlockingClient());
    ASSERT_EQ(enumerator->RegisterEndpointNotificationCallback(blocker.Get()), S_OK);
    ComPtr<IAudioSystemEffectsPropertyStore> store;
    ComPtr<EffectStoreRecorder> effects = adopt(new EffectStoreRecorder());
    {
        const ReleaseOnExit releaser{blocker.Get()};
        const DWORD one = 1;
        ASSERT_EQ(rawWrite(std::wstring(kSpeakersKey) + L"\\FxProperties", kTriggerName, REG_DWORD, &one, sizeof(one)),
                  ERROR_SUCCESS);
        ASSERT_TRUE(blocker->waitEntered()) << endpoints->log.dump();

        // The notification thread is held: the endpoint appears, a client opens its per-APO store
        // at once and a value is written to it, all before the thread reads the machine again.
        ASSERT_NO_FATAL_FAILURE(createLateEndpoint());
        ASSERT_EQ(activateEffectsStore(kLateId, &store), S_OK);
        ASSERT_EQ(store->RegisterPropertyChangeNotification(effects.Get()), S_OK);
        const DWORD seven = 7;
        ASSERT_EQ(rawWrite(std::wstring(kLateKey) + L"\\FxProperties\\" + kApoContext + L"\\User", kEffectSetting,
                           REG_DWORD, &seven, sizeof(seven)),
                  ERROR_SUCCESS);
        EXPECT_FALSE(endpoints->log.contains(kLateId)) << endpoints->log.dump();
    }

    EXPECT_TRUE(endpoints->log.waitFor(std::wstring(L"added ") + kLateId)) << endpoints->log.dump();
    EXPECT_TRUE(effects->log.waitFor(L"effect 1 {E3C9C164-AD30-4AEE-863E-01E4B0847F62} 9991")) << effects->log.dump();
    EXPECT_TRUE(
        endpoints->log.waitFor(std::wstring(L"property ") + kLateId + L" {A45C254E-DF1C-4EFD-8020-67D146A850E0} 14"))
        << endpoints->log.dump();

    EXPECT_EQ(store->UnregisterPropertyChangeNotification(effects.Get()), S_OK);
    EXPECT_EQ(enumerator->UnregisterEndpointNotificationCallback(blocker.Get()), S_OK);
    EXPECT_EQ(enumerator->UnregisterEndpointNotificationCallback(endpoints.Get()), S_OK);
}

}  // namespace
}  // namespace qevsim::test
