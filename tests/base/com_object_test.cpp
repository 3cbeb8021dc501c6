#include "base/com_object.h"

#include <audiopolicy.h>
#include <mmdeviceapi.h>

#include <gtest/gtest.h>

namespace qev::base {
namespace {

int alive = 0;

// An object with two interfaces and a registration that holds one reference until the object
// takes it back.
class TwoFaced final : public ComObject<IMMNotificationClient, IAudioSessionNotification> {
public:
    TwoFaced() { ++alive; }

    bool registered = false;

    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow, ERole, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSessionCreated(IAudioSessionControl*) override { return S_OK; }

private:
    ~TwoFaced() override { --alive; }

    bool release_held_reference() override
    {
        if (!registered) {
            return false;
        }
        registered = false;
        Release();  // what unregistering from the source does
        return true;
    }
};

struct QueryCase {
    IID iid;
    HRESULT result;
    void* (*expected)(TwoFaced*);
};

TEST(ComObject, AnswersItsInterfacesAndCountsReferences)
{
    auto object = make_com<TwoFaced>();
    ASSERT_EQ(alive, 1);
    const QueryCase cases[] = {
        {__uuidof(IUnknown), S_OK, [](TwoFaced* o) -> void* { return static_cast<IMMNotificationClient*>(o); }},
        {__uuidof(IMMNotificationClient), S_OK,
         [](TwoFaced* o) -> void* { return static_cast<IMMNotificationClient*>(o); }},
        {__uuidof(IAudioSessionNotification), S_OK,
         [](TwoFaced* o) -> void* { return static_cast<IAudioSessionNotification*>(o); }},
        {__uuidof(IAudioSessionEvents), E_NOINTERFACE, [](TwoFaced*) -> void* { return nullptr; }},
    };
    for (const QueryCase& c : cases) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(c.iid, &out), c.result);
        EXPECT_EQ(out, c.expected(object.Get()));
        if (out != nullptr) {
            EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 1u);
        }
    }
    EXPECT_EQ(object->QueryInterface(__uuidof(IUnknown), nullptr), E_INVALIDARG);
    object.Reset();
    EXPECT_EQ(alive, 0);
}

TEST(ComObject, LastOutsideReleaseLetsTheObjectTakeBackTheHeldReference)
{
    auto object = make_com<TwoFaced>();
    object->AddRef();  // the source's reference
    object->registered = true;
    EXPECT_EQ(object.Detach()->Release(), 0u);
    EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace qev::base
