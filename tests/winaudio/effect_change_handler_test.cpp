#include "winaudio/audio_system_effect_property_changed_event_handler.h"

#include <propvarutil.h>
#include <wrl/client.h>

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
        log->changes_.push_back({type, key->pid});
        return S_OK;
    }

    bool has(std::uint32_t type, DWORD pid) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& change : changes_) {
            if (change.type == type && change.pid == pid) {
                return true;
            }
        }
        return false;
    }

private:
    struct Change {
        std::uint32_t type;
        DWORD pid;
    };

    mutable std::mutex mutex_;
    std::vector<Change> changes_;
};

ComPtr<AudioSystemEffectPropertyChangedEventHandler> MakeHandler(ComPtr<base::IAudioSystemEffectsPropertyStore> store)
{
    return base::make_com<AudioSystemEffectPropertyChangedEventHandler>(std::move(store));
}

// The handler's current reference count, read by a balanced AddRef/Release pair.
ULONG References(AudioSystemEffectPropertyChangedEventHandler* handler)
{
    handler->AddRef();
    return handler->Release();
}

class EffectChangeHandler : public SimTest {
protected:
    void SetUp() override
    {
        SimMachine::Fresh(kWindows11Build);
        id_ = SimMachine::AddEndpoint(eCapture, kMicrophoneGuid, L"Microphone");
        ASSERT_TRUE(GetDeviceById(id_, device_));
        // Creating a store for the effect context makes its keys, so the effect store activates.
        {
            AudioEndpointPropertyStore stores(device_, kEffectContext);
        }
        CLSID effect{};
        ASSERT_EQ(CLSIDFromString(kEffectContext, &effect), S_OK);
        base::PropVariant activation;
        ASSERT_EQ(InitPropVariantFromCLSID(effect, activation.get()), S_OK);
        ASSERT_EQ(device_->Activate(__uuidof(base::IAudioSystemEffectsPropertyStore), CLSCTX_ALL, activation.get(),
                                    reinterpret_cast<void**>(effects_.GetAddressOf())),
                  S_OK);
    }

    void TearDown() override
    {
        for (const auto& handler : registered_) {
            handler->Unregister();
        }
    }

    // A handler reporting to log, unregistered at the end of the test at the latest.
    ComPtr<AudioSystemEffectPropertyChangedEventHandler> MakeRegistered(ChangeLog& log)
    {
        auto handler = MakeHandler(effects_);
        EXPECT_TRUE(handler->Register(&ChangeLog::Record, &log));
        registered_.push_back(handler);
        return handler;
    }

    void WriteLevel(HRESULT (STDMETHODCALLTYPE base::IAudioSystemEffectsPropertyStore::*open)(DWORD, IPropertyStore**),
                    const PROPERTYKEY& key, DWORD level)
    {
        ComPtr<IPropertyStore> store;
        ASSERT_EQ((effects_.Get()->*open)(STGM_READWRITE, &store), S_OK);
        base::PropVariant value;
        value.get()->vt = VT_UI4;
        value.get()->ulVal = level;
        ASSERT_EQ(store->SetValue(key, value.value()), S_OK);
    }

    void WriteUserLevel(DWORD level)
    {
        WriteLevel(&base::IAudioSystemEffectsPropertyStore::OpenUserPropertyStore, kLevelKey, level);
    }

    std::wstring id_;
    ComPtr<IMMDevice> device_;
    ComPtr<base::IAudioSystemEffectsPropertyStore> effects_;
    ChangeLog log_;
    ChangeLog probeLog_;
    std::vector<ComPtr<AudioSystemEffectPropertyChangedEventHandler>> registered_;
};

TEST_F(EffectChangeHandler, ReportsChangesOfItsStoreWithTypeAndKey)
{
    MakeRegistered(log_);
    WriteUserLevel(40);
    EXPECT_TRUE(WaitFor([&] { return log_.has(kUser, kLevelKey.pid); }));
    EXPECT_FALSE(log_.has(kVolatile, kLevelKey.pid));
}

TEST_F(EffectChangeHandler, UnregisterGivesBackTheStoresReferenceAndStopsDelivery)
{
    const auto handler = MakeRegistered(log_);
    MakeRegistered(probeLog_);

    handler->Unregister();
    EXPECT_FALSE(handler->registered());
    // Ours and the fixture's alone, once a delivery still in flight has let go of its own.
    EXPECT_TRUE(WaitFor([&] { return References(handler.Get()) == 2; }));

    WriteUserLevel(45);
    ASSERT_TRUE(WaitFor([&] { return probeLog_.has(kUser, kLevelKey.pid); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(log_.has(kUser, kLevelKey.pid));
}

}  // namespace
}  // namespace qev::winaudio::test
