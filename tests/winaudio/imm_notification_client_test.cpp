#include "winaudio/imm_notification_client_impl.h"

#include <atomic>
#include <thread>

#include "sim_fixture.h"

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

class ImmNotificationClient : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        speakers_ = SimMachine::AddEndpoint(eRender, kSpeakersGuid, L"Speakers");
        g_stateChanges = 0;
    }

    static ImmNotificationClientImpl* RegisteredClient()
    {
        auto* client = new ImmNotificationClientImpl();
        EXPECT_TRUE(client->Initialize());
        ImmNotificationCallbacks callbacks;
        callbacks.deviceStateChanged = &CountStateChange;
        EXPECT_TRUE(client->Register(callbacks, client));
        EXPECT_FALSE(client->Register(callbacks, client)) << "registers once";
        return client;
    }

    std::wstring speakers_;
};

TEST_F(ImmNotificationClient, ReleasingTheLastOutsideReferenceUnregisters)
{
    auto* client = RegisteredClient();

    SimMachine::Must({L"set-state", speakers_, L"disabled"});
    ASSERT_TRUE(WaitFor([] { return g_stateChanges.load() > 0; }));

    client->Release();  // the enumerator's reference is the only one left: it must be given back
    const int before = g_stateChanges.load();
    SimMachine::Must({L"set-state", speakers_, L"active"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(g_stateChanges.load(), before);
}

TEST_F(ImmNotificationClient, ExplicitUnregisterStopsDeliveryAndKeepsTheObject)
{
    auto* client = RegisteredClient();
    EXPECT_TRUE(client->Unregister());
    EXPECT_FALSE(client->registered());
    SimMachine::Must({L"set-state", speakers_, L"disabled"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(g_stateChanges.load(), 0);
    EXPECT_EQ(client->OnDeviceStateChanged(speakers_.c_str(), DEVICE_STATE_ACTIVE), S_OK);
    EXPECT_EQ(g_stateChanges.load(), 0);
    EXPECT_EQ(client->Release(), 0u);
}

}  // namespace
}  // namespace qev::winaudio::test
