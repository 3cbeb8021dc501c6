// The contract the simulator holds its clients to (sim/README.md), through its real COM objects:
// answers, deliveries, calls refused inside callbacks, the session-notification conditions and
// the endpoint-callback reference switch.
#include <gtest/gtest.h>

#include <audioclient.h>
#include <propvarutil.h>

#include <functional>
#include <thread>

#include "callback_scope.h"
#include "contract.h"
#include "machine_change.h"
#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kMarker[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9999";

std::wstring micStore(const wchar_t* store)
{
    return storePath(kMicKey, store);
}

HRESULT writeNumber(IPropertyStore* store, const wchar_t* name, UINT value)
{
    return store->SetValue(key(name), number(value));
}

class ContractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(loadTestMachine());
        enumerator_ = makeEnumerator();
        ASSERT_TRUE(enumerator_);
        ASSERT_EQ(activateEffectsStore(kMic, &effects_), S_OK);
    }

    ComPtr<IPropertyStore> openEffectStore(
        HRESULT (STDMETHODCALLTYPE IAudioSystemEffectsPropertyStore::*open)(DWORD, IPropertyStore**))
    {
        ComPtr<IPropertyStore> store;
        EXPECT_EQ((effects_.Get()->*open)(STGM_READWRITE, store.GetAddressOf()), S_OK);
        return store;
    }

    ComScope com_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
    ComPtr<IAudioSystemEffectsPropertyStore> effects_;
};

TEST_F(ContractTest, CallsAreAnsweredAsDocumented)
{
    ComPtr<IAudioSystemEffectsPropertyStore> usbEffects;
    const ComPtr<IMMDevice> mic = device(kMic);
    const auto policy = makePolicyConfig();
    const std::wstring absent = L"{0.0.1.00000000}.{99999999-0000-4000-8000-000000000009}";
    ComPtr<IMMDevice> found;
    ComPtr<IMMDeviceCollection> collection;
    ComPtr<IPropertyStore> store;
    ComPtr<IUnknown> activated;
    PROPVARIANT value;
    const ComPtr<EndpointRecorder> twice = adopt(new EndpointRecorder());
    const ComPtr<EffectStoreRecorder> effectClient = adopt(new EffectStoreRecorder());
    struct Case {
        const char* call;
        std::function<HRESULT()> run;
        HRESULT expected;
    };
    const Case cases[] = {
        {"GetDevice, no endpoint id", [&] { return enumerator_->GetDevice(L"speakers", &found); }, E_INVALIDARG},
        {"GetDevice, empty id", [&] { return enumerator_->GetDevice(L"", &found); }, E_INVALIDARG},
        {"GetDevice, render GUID under the capture prefix",
         [&] { return enumerator_->GetDevice(L"{0.0.1.00000000}.{11111111-0000-4000-8000-000000000001}", &found); },
         kElementNotFound},
        {"EnumAudioEndpoints, empty mask", [&] { return enumerator_->EnumAudioEndpoints(eRender, 0, &collection); },
         E_INVALIDARG},
        {"EnumAudioEndpoints, unknown state bit",
         [&] { return enumerator_->EnumAudioEndpoints(eRender, 0x10, &collection); }, E_INVALIDARG},
        {"Item beyond the collection",
         [&] {
             EXPECT_EQ(enumerator_->EnumAudioEndpoints(eCapture, DEVICE_STATE_ACTIVE, &collection), S_OK);
             return collection->Item(2, &found);
         },
         E_INVALIDARG},
        {"GetDefaultAudioEndpoint, eAll", [&] { return enumerator_->GetDefaultAudioEndpoint(eAll, eConsole, &found); },
         E_INVALIDARG},
        {"GetPropertyValue, id of no endpoint",
         [&] { return policy->GetPropertyValue(absent.c_str(), TRUE, key(kSetting), &value); }, kElementNotFound},
        {"OpenPropertyStore, STGM_CREATE", [&] { return mic->OpenPropertyStore(STGM_READWRITE | STGM_CREATE, &store); },
         E_INVALIDARG},
        {"GetValue of a write-only store",
         [&] {
             EXPECT_EQ(mic->OpenPropertyStore(STGM_WRITE, &store), S_OK);
             return store->GetValue(key(kSetting), &value);
         },
         STG_E_ACCESSDENIED},
        {"SetValue of a read-only store",
         [&] {
             EXPECT_EQ(mic->OpenPropertyStore(STGM_READ, &store), S_OK);
             return store->SetValue(key(kSetting), number(1));
         },
         STG_E_ACCESSDENIED},
        {"SetValue of a read-only volatile store",
         [&] {
             EXPECT_EQ(effects_->OpenVolatilePropertyStore(STGM_READ, &store), S_OK);
             return store->SetValue(key(kSetting), number(1));
         },
         STG_E_ACCESSDENIED},
        {"OpenUserPropertyStore, STGM_SHARE_EXCLUSIVE",
         [&] { return effects_->OpenUserPropertyStore(STGM_SHARE_EXCLUSIVE, &store); }, E_INVALIDARG},
        {"effect stores without the context's keys", [&] { return activateEffectsStore(kUsbMic, &usbEffects); },
         kElementNotFound},
        {"effect stores once the keys exist",
         [&] {
             createStoreKeys(kUsbMicKey);
             EXPECT_EQ(::RegDeleteKeyW(HKEY_LOCAL_MACHINE, storePath(kUsbMicKey, L"Volatile").c_str()), ERROR_SUCCESS);
             return activateEffectsStore(kUsbMic, &usbEffects);
         },
         S_OK},
        {"OpenVolatilePropertyStore without its key",
         [&] { return usbEffects->OpenVolatilePropertyStore(STGM_READ, &store); }, kElementNotFound},
        {"effect stores without a context",
         [&] {
             return mic->Activate(__uuidof(IAudioSystemEffectsPropertyStore), CLSCTX_ALL, nullptr,
                                  reinterpret_cast<void**>(activated.ReleaseAndGetAddressOf()));
         },
         E_INVALIDARG},
        {"second unregistration of an effect-store client",
         [&] {
             EXPECT_EQ(effects_->RegisterPropertyChangeNotification(effectClient.Get()), S_OK);
             EXPECT_EQ(effectClient->references(), 1u) << "the store takes no reference";
             EXPECT_EQ(effects_->UnregisterPropertyChangeNotification(effectClient.Get()), S_OK);
             return effects_->UnregisterPropertyChangeNotification(effectClient.Get());
         },
         kElementNotFound},
        {"third unregistration of a client registered twice",
         [&] {
             EXPECT_EQ(enumerator_->RegisterEndpointNotificationCallback(twice.Get()), S_OK);
             EXPECT_EQ(enumerator_->RegisterEndpointNotificationCallback(twice.Get()), S_OK);
             EXPECT_EQ(enumerator_->UnregisterEndpointNotificationCallback(twice.Get()), S_OK);
             EXPECT_EQ(enumerator_->UnregisterEndpointNotificationCallback(twice.Get()), S_OK);
             return enumerator_->UnregisterEndpointNotificationCallback(twice.Get());
         },
         kElementNotFound},
        {"effect stores on Windows 10",
         [&] {
             SimMachine::Must({L"set-build", L"19045"});
             return activateEffectsStore(kMic, &usbEffects);
         },
         E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.run(), c.expected) << c.call;
    }
    EXPECT_FALSE(activated) << "a refused activation handed out an object";
}

TEST_F(ContractTest, WritesThroughTheStoresArriveInOrderAndRegistryEditsNever)
{
    const ComPtr<EndpointRecorder> endpoints = adopt(new EndpointRecorder());
    const ComPtr<EffectStoreRecorder> effects = adopt(new EffectStoreRecorder());
    ASSERT_EQ(enumerator_->RegisterEndpointNotificationCallback(endpoints.Get()), S_OK);
    ASSERT_EQ(effects_->RegisterPropertyChangeNotification(effects.Get()), S_OK);
    effects->sink = &endpoints->log;
    ComPtr<IPropertyStore> deviceStore;
    ASSERT_EQ(device(kMic)->OpenPropertyStore(STGM_READWRITE, deviceStore.GetAddressOf()), S_OK);
    const auto user = openEffectStore(&IAudioSystemEffectsPropertyStore::OpenUserPropertyStore);
    const auto volatileStore = openEffectStore(&IAudioSystemEffectsPropertyStore::OpenVolatilePropertyStore);
    const std::wstring property = std::wstring(L"property ") + kMic + L" {E3C9C164-AD30-4AEE-863E-01E4B0847F62} ";
    const DWORD raw = 3;
    struct Step {
        const char* change;
        std::function<HRESULT()> make;
        std::wstring heard;  // empty: nothing
    };
    const Step steps[] = {
        {"device store write", [&] { return writeNumber(deviceStore.Get(), kSetting, 5); }, property + L"9981"},
        {"the same value again", [&] { return writeNumber(deviceStore.Get(), kSetting, 5); }, property + L"9981"},
        {"FX value edited in the registry",
         [&] {
             return HRESULT_FROM_WIN32(
                 rawWrite(std::wstring(kMicKey) + L"\\FxProperties", kSetting, REG_DWORD, &raw, sizeof(raw)));
         },
         L""},
        {"user store write", [&] { return writeNumber(user.Get(), kSetting, 6); },
         L"effect 1 {E3C9C164-AD30-4AEE-863E-01E4B0847F62} 9981"},
        {"user value edited in the registry",
         [&] { return HRESULT_FROM_WIN32(rawWrite(micStore(L"User"), kSetting, REG_DWORD, &raw, sizeof(raw))); }, L""},
        {"user store reset", [&] { return effects_->ResetUserPropertyStore(); }, L""},
        {"volatile store write", [&] { return writeNumber(volatileStore.Get(), kMarker, 1); },
         L"effect 2 {E3C9C164-AD30-4AEE-863E-01E4B0847F62} 9999"},
        {"device store write after it", [&] { return writeNumber(deviceStore.Get(), kMarker, 1); }, property + L"9999"},
        {"volatile value set by another process",
         [&] {
             const auto set =
                 runQevsim({L"set-prop", kMic, std::wstring(L"volatile:") + kApoContext, kSetting, L"dword", L"3"});
             return set.exitCode == 0 ? S_OK : E_FAIL;
         },
         L"effect 2 {E3C9C164-AD30-4AEE-863E-01E4B0847F62} 9981"},
    };
    std::vector<std::wstring> expected;
    for (const auto& step : steps) {
        ASSERT_EQ(step.make(), S_OK) << step.change;
        if (!step.heard.empty()) {
            expected.push_back(step.heard);
        }
    }
    ASSERT_TRUE(endpoints->log.waitFor(expected.back())) << endpoints->log.dump();
    EXPECT_EQ(endpoints->log.lines(), expected) << endpoints->log.dump();
    EXPECT_GT(endpoints->log.threadCount(), 1u) << "all from one thread";
    EXPECT_EQ(effects_->UnregisterPropertyChangeNotification(effects.Get()), S_OK);
    EXPECT_EQ(enumerator_->UnregisterEndpointNotificationCallback(endpoints.Get()), S_OK);
}

// Does one forbidden thing in the first state notification it gets and keeps the answer.
class MisbehavingClient final : public EndpointRecorder {
public:
    explicit MisbehavingClient(std::function<HRESULT()> act) : act_(std::move(act)) {}
    std::atomic<bool> acted{false};
    HRESULT answer = S_OK;

private:
    HRESULT note(const std::wstring& line) override
    {
        if (line.rfind(L"state", 0) == 0 && !acted) {
            answer = act_();
            acted = true;
        }
        return S_OK;
    }
    const std::function<HRESULT()> act_;
};

TEST_F(ContractTest, CallsTheDocumentationForbidsInsideCallbacksAreRefusedAndReported)
{
    const auto policy = makePolicyConfig();
    const ComPtr<EndpointRecorder> other = adopt(new EndpointRecorder());
    ComPtr<MisbehavingClient> client;
    struct Case {
        const char* act;
        std::function<HRESULT()> run;
        HRESULT expected;
        const wchar_t* reported;
    };
    const Case cases[] = {
        {"register another client", [&] { return enumerator_->RegisterEndpointNotificationCallback(other.Get()); },
         kIllegalMethodCall, L"RegisterEndpointNotificationCallback called inside a notification callback (refused)"},
        {"unregister itself", [&] { return enumerator_->UnregisterEndpointNotificationCallback(client.Get()); },
         kIllegalMethodCall, L"UnregisterEndpointNotificationCallback called inside a notification callback (refused)"},
        {"release the last reference to a device it got",
         [&] {
             ComPtr<IMMDevice> speakers;
             return enumerator_->GetDevice(kSpeakers, speakers.GetAddressOf());
         },
         S_OK, L"the last reference to an audio object was released inside a notification callback"},
    };
    for (const auto& c : cases) {
        client = adopt(new MisbehavingClient(c.run));
        ASSERT_EQ(enumerator_->RegisterEndpointNotificationCallback(client.Get()), S_OK);
        ASSERT_EQ(policy->SetEndpointVisibility(kUsbMic, FALSE), S_OK);
        ASSERT_EQ(policy->SetEndpointVisibility(kUsbMic, TRUE), S_OK);
        ASSERT_TRUE(WaitFor([&] { return client->acted.load(); })) << c.act;
        EXPECT_EQ(client->answer, c.expected) << c.act;
        EXPECT_EQ(enumerator_->UnregisterEndpointNotificationCallback(client.Get()), S_OK) << c.act;
        const auto violations = Contract::violations();
        ASSERT_EQ(violations.size(), 1u) << c.act;
        EXPECT_EQ(violations.front(), c.reported) << c.act;
        Contract::clearViolations();
    }
    EXPECT_EQ(other->references(), 1u) << "the refused registration took nothing";
}

TEST_F(ContractTest, SessionsAreAnnouncedToCountingClientsOfTheMultithreadedApartment)
{
    struct Case {
        DWORD apartment;
        bool counted;
        bool heard;
    };
    const Case cases[] = {{COINIT_MULTITHREADED, true, true},
                          {COINIT_MULTITHREADED, false, false},
                          {COINIT_APARTMENTTHREADED, true, false}};
    DWORD processId = 100;
    for (const auto& c : cases) {
        const ComPtr<SessionCreatedRecorder> recorder = adopt(new SessionCreatedRecorder());
        ComPtr<IAudioSessionManager2> manager;
        std::thread([&] {
            const qev::base::ComInit apartment(c.apartment);
            ASSERT_EQ(device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                             reinterpret_cast<void**>(manager.GetAddressOf())),
                      S_OK);
            ASSERT_EQ(manager->RegisterSessionNotification(recorder.Get()), S_OK);
            ComPtr<IAudioSessionEnumerator> sessions;
            int count = 0;
            if (c.counted && SUCCEEDED(manager->GetSessionEnumerator(sessions.GetAddressOf()))) {
                sessions->GetCount(&count);
            }
        }).join();
        // A client that is served, so the record is known to have been delivered.
        const ComPtr<SessionCreatedRecorder> witness = adopt(new SessionCreatedRecorder());
        ComPtr<IAudioSessionManager2> counted;
        ASSERT_EQ(device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                         reinterpret_cast<void**>(counted.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(counted->RegisterSessionNotification(witness.Get()), S_OK);
        ComPtr<IAudioSessionEnumerator> sessions;
        int count = 0;
        ASSERT_EQ(counted->GetSessionEnumerator(sessions.GetAddressOf()), S_OK);
        ASSERT_EQ(sessions->GetCount(&count), S_OK);
        {
            const MachineChange change(MachineChange::Reach::Structure);
            SessionStore::create(kMic, ++processId, AudioSessionStateActive, L"", L"");
        }
        const std::wstring line = L"created pid " + std::to_wstring(processId);
        ASSERT_TRUE(witness->log.waitFor(line)) << witness->log.dump();
        EXPECT_EQ(recorder->log.contains(line), c.heard) << "apartment " << c.apartment << " counted " << c.counted;
        EXPECT_EQ(counted->UnregisterSessionNotification(witness.Get()), S_OK);
        EXPECT_EQ(manager->UnregisterSessionNotification(recorder.Get()), S_OK);
    }
}

TEST_F(ContractTest, VolatileStoreIsEmptiedWhenTheEndpointBecomesActive)
{
    ASSERT_EQ(
        writeNumber(openEffectStore(&IAudioSystemEffectsPropertyStore::OpenVolatilePropertyStore).Get(), kSetting, 1),
        S_OK);
    ASSERT_EQ(writeNumber(openEffectStore(&IAudioSystemEffectsPropertyStore::OpenUserPropertyStore).Get(), kSetting, 1),
              S_OK);
    const auto policy = makePolicyConfig();
    ASSERT_EQ(policy->SetEndpointVisibility(kMic, FALSE), S_OK);
    EXPECT_EQ(rawRead(micStore(L"Volatile"), kSetting).status, ERROR_SUCCESS) << "kept while not active";
    ASSERT_EQ(policy->SetEndpointVisibility(kMic, TRUE), S_OK);
    EXPECT_EQ(rawRead(micStore(L"Volatile"), kSetting).status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(rawRead(micStore(L"User"), kSetting).status, ERROR_SUCCESS);
}

TEST_F(ContractTest, EndpointCallbackReferenceFollowsTheSwitch)
{
    const std::pair<const wchar_t*, ULONG> cases[] = {{L"off", 1}, {L"on", 2}};
    for (const auto& [setting, whileRegistered] : cases) {
        const ToolResult set = runQevsim({L"switch", Contract::kEndpointCallbackAddRef, setting});
        ASSERT_EQ(set.exitCode, 0u) << set.output;
        const ComPtr<EndpointRecorder> client = adopt(new EndpointRecorder());
        ASSERT_EQ(enumerator_->RegisterEndpointNotificationCallback(client.Get()), S_OK);
        EXPECT_EQ(client->references(), whileRegistered);
        ASSERT_EQ(enumerator_->UnregisterEndpointNotificationCallback(client.Get()), S_OK);
        EXPECT_EQ(client->references(), 1u);
    }
}

}  // namespace
}  // namespace qevsim::test
