#pragma once

// Stand-ins for the Windows endpoint enumerator, in-process and reference counted, for the parts
// of the endpoint-list refresh that plain Wine cannot show (endpoints, failing queries).

#include <mmdeviceapi.h>
#include <propidl.h>
#include <propsys.h>
#include <wrl/client.h>

#include <atomic>
#include <string>
#include <vector>

struct FakeEndpoint {
    std::wstring id;
    std::wstring name;
    VARTYPE name_type = VT_LPWSTR;  // anything else makes the name unreadable
    bool id_fails = false;
};

// Number of fake objects alive, to check that nothing leaks.
std::atomic<long>& fake_objects_alive_counter();

// A minimal IUnknown implementation shared by the fakes; counts itself among the live fakes.
template <typename Interface>
class FakeComObject : public Interface {
public:
    FakeComObject() { ++fake_objects_alive_counter(); }
    FakeComObject(const FakeComObject&) = delete;
    FakeComObject& operator=(const FakeComObject&) = delete;
    virtual ~FakeComObject() { --fake_objects_alive_counter(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (riid == __uuidof(IUnknown) || riid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

// Builds an enumerator whose active capture and render endpoints are the given ones. A failing
// direction answers EnumAudioEndpoints with E_FAIL.
Microsoft::WRL::ComPtr<IMMDeviceEnumerator> make_fake_enumerator(const std::vector<FakeEndpoint>& capture,
                                                                  const std::vector<FakeEndpoint>& render,
                                                                  bool capture_fails = false,
                                                                  bool render_fails = false);

long fake_objects_alive();
