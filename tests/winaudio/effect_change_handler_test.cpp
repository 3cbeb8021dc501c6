#include "winaudio/audio_system_effect_property_changed_event_handler.h"

#include <propvarutil.h>
#include <wrl/client.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "base/com_object.h"
#include "sim_fixture.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winaudio/endpoint_queries.h"
#include "base/prop_variant.h"

using Microsoft::WRL::ComPtr;

namespace qev::winaudio::test {
namespace {

constexpr PROPERTYKEY kLevelKey = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}},
                                   9981};
constexpr auto kUser = static_cast<std::uint32_t>(base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_USER);
constexpr auto kVolatile = static_cast<std::uint32_t>(base::AUDIO_SYSTEMEFFECTS_PROPERTYSTORE_TYPE_VOLATILE);

// The changes one handler reported; the handler's callback context.
class ChangeLog {
public:
    static HRESULT Record(std::uint32_t type, const PROPERTYKEY* key, void* context)
    {
        if (context == nullptr || key == nullptr) {
            return E_INVALIDARG;
        }
        auto* log = static_cast<ChangeLog*>(context);
        std::lock_guard<std::mutex> lock(log->mutex_);
        log->changes_.emplace_back(type, key->pid);
        return S_OK;
    }

    bool has(std::uint32_t type, DWORD pid) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::find(changes_.begin(), changes_.end(), std::pair(type, pid)) != changes_.end();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::uint32_t, DWORD>> changes_;
};

TEST_F(SimTest, EffectChangeHandlerReportsItsStoresChangesUntilUnregisteredAndThenLetsGo)
{
    SimMachine::Fresh(kWindows11Build);
    ComPtr<IMMDevice> device;
    ASSERT_TRUE(GetDeviceById(SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone"), device));
    {
        AudioEndpointPropertyStore stores(device, kEffectContext);  // makes the effect context's keys
    }
    CLSID effect{};
    ASSERT_EQ(CLSIDFromString(kEffectContext, &effect), S_OK);
    base::PropVariant activation;
    ASSERT_EQ(InitPropVariantFromCLSID(effect, activation.get()), S_OK);
    ComPtr<base::IAudioSystemEffectsPropertyStore> effects;
    ASSERT_EQ(device->Activate(__uuidof(base::IAudioSystemEffectsPropertyStore), CLSCTX_ALL, activation.get(),
                               reinterpret_cast<void**>(effects.GetAddressOf())),
              S_OK);
    ChangeLog logs[2];
    ComPtr<AudioSystemEffectPropertyChangedEventHandler> handlers[2];
    for (int i = 0; i < 2; ++i) {
        handlers[i] = base::make_com<AudioSystemEffectPropertyChangedEventHandler>(effects);
        ASSERT_TRUE(handlers[i]->Register(&ChangeLog::Record, &logs[i]));
    }
    const auto write = [&](auto open) {
        ComPtr<IPropertyStore> store;
        ASSERT_EQ((effects.Get()->*open)(STGM_READWRITE, &store), S_OK);
        base::PropVariant value;
        ASSERT_EQ(InitPropVariantFromUInt32(40, value.get()), S_OK);
        ASSERT_EQ(store->SetValue(kLevelKey, value.value()), S_OK);
    };
    write(&base::IAudioSystemEffectsPropertyStore::OpenUserPropertyStore);
    EXPECT_TRUE(WaitFor([&] { return logs[0].has(kUser, kLevelKey.pid) && logs[1].has(kUser, kLevelKey.pid); }));
    EXPECT_FALSE(logs[0].has(kVolatile, kLevelKey.pid));

    handlers[0]->Unregister();
    EXPECT_FALSE(handlers[0]->registered());
    // Ours alone, once a delivery still in flight has let go of its own.
    EXPECT_TRUE(WaitFor([&] {
        handlers[0]->AddRef();
        return handlers[0]->Release() == 1;
    }));
    write(&base::IAudioSystemEffectsPropertyStore::OpenVolatilePropertyStore);
    ASSERT_TRUE(WaitFor([&] { return logs[1].has(kVolatile, kLevelKey.pid); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(logs[0].has(kVolatile, kLevelKey.pid));
    handlers[1]->Unregister();
}

}  // namespace
}  // namespace qev::winaudio::test
