#include "base/com_object.h"

#include <audiopolicy.h>
#include <endpointvolume.h>

#include <gtest/gtest.h>

#include <utility>

namespace qev::base {
namespace {

int alive = 0;

// Two interfaces.
class TwoFaced final : public ComObject<IAudioSessionNotification, IAudioEndpointVolumeCallback> {
public:
    TwoFaced() { ++alive; }
    HRESULT STDMETHODCALLTYPE OnSessionCreated(IAudioSessionControl*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA) override { return S_OK; }

private:
    ~TwoFaced() override { --alive; }
};

TEST(ComObject, AnswersItsInterfacesAndCountsReferences)
{
    auto object = make_com<TwoFaced>();
    void* const first = static_cast<IAudioSessionNotification*>(object.Get());
    void* const second = static_cast<IAudioEndpointVolumeCallback*>(object.Get());
    const std::pair<IID, void*> cases[] = {{__uuidof(IUnknown), first},
                                           {__uuidof(IAudioSessionNotification), first},
                                           {__uuidof(IAudioEndpointVolumeCallback), second},
                                           {__uuidof(IAudioSessionEvents), nullptr}};
    for (const auto& [iid, expected] : cases) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(iid, &out), expected != nullptr ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(out, expected);
        if (out != nullptr) {
            EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 1u);
        }
    }
    EXPECT_EQ(object->QueryInterface(__uuidof(IUnknown), nullptr), E_INVALIDARG);
    object.Reset();
    EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace qev::base
