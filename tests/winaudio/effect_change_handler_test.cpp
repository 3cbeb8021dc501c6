#include "winaudio/audio_system_effect_property_changed_event_handler.h"

#include <propvarutil.h>
#include <wrl/client.h>

#include <atomic>
#include <thread>

#include "sim_fixture.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winaudio/endpoint_queries.h"
#include "winaudio/prop_variant.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {
namespace {

constexpr PROPERTYKEY kLevelKey = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}}, 9981};

std::atomic<int> g_calls{0};
std::atomic<std::uint32_t> g_type{99};
std::atomic<ULONG> g_pid{0};

HRESULT RecordChange(std::uint32_t type, const PROPERTYKEY* key, void* context)
{
    if (context == nullptr || key == nullptr) {
        return E_INVALIDARG;
    }
    g_type = type;
    g_pid = key->pid;
    ++g_calls;
    return S_OK;
}

class EffectChangeHandler : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        id_ = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone");
        ASSERT_TRUE(GetDeviceById(id_, device_));
        // Creating a store for the effect context makes its keys, so the effect store activates.
        { AudioEndpointPropertyStore stores(device_, kEffectContext); }
        CLSID effect{};
        ASSERT_EQ(CLSIDFromString(kEffectContext, &effect), S_OK);
        PropVariant activation;
        ASSERT_EQ(InitPropVariantFromCLSID(effect, activation.get()), S_OK);
        ASSERT_EQ(device_->Activate(kAudioSystemEffectsPropertyStoreIid, CLSCTX_ALL, activation.get(),
                                    reinterpret_cast<void**>(effects_.GetAddressOf())),
                  S_OK);
        g_calls = 0;
    }

    void WriteUserLevel(DWORD level)
    {
        ComPtr<IPropertyStore> user;
        ASSERT_EQ(effects_->OpenUserPropertyStore(STGM_READWRITE, &user), S_OK);
        PropVariant value;
        value.get()->vt = VT_UI4;
        value.get()->ulVal = level;
        ASSERT_EQ(user->SetValue(kLevelKey, value.value()), S_OK);
    }

    std::wstring id_;
    ComPtr<IMMDevice> device_;
    ComPtr<IAudioSystemEffectsPropertyStore> effects_;
};

TEST_F(EffectChangeHandler, ReportsChangesOfItsStoreWithTypeAndKey)
{
    auto* handler = new AudioSystemEffectPropertyChangedEventHandler(effects_);
    ASSERT_TRUE(handler->Register(&RecordChange, handler));
    WriteUserLevel(40);
    ASSERT_TRUE(WaitFor([] { return g_calls.load() > 0; }));
    EXPECT_EQ(g_type.load(), static_cast<std::uint32_t>(AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_USER));
    EXPECT_EQ(g_pid.load(), kLevelKey.pid);
    handler->Unregister();
    EXPECT_FALSE(handler->registered());
    EXPECT_EQ(handler->Release(), 0u);
}

TEST_F(EffectChangeHandler, ReleasingTheLastOutsideReferenceUnregisters)
{
    auto* handler = new AudioSystemEffectPropertyChangedEventHandler(effects_);
    ASSERT_TRUE(handler->Register(&RecordChange, handler));
    handler->Release();  // the store's reference is the only one left: it must be given back
    WriteUserLevel(50);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(g_calls.load(), 0);
}

}  // namespace
}  // namespace qev::winaudio::test
