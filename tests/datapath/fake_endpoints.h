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

#include "base/com_object.h"

namespace qev::datapath {

struct FakeEndpoint {
    std::wstring id;
    std::wstring name;
    VARTYPE name_type = VT_LPWSTR;  // anything else makes the name unreadable
    bool id_fails = false;
};

// Number of fake objects alive, to check that nothing leaks.
std::atomic<long>& fake_objects_alive_counter();

// The fakes' IUnknown; counts itself among the live fakes.
template <typename Interface>
class FakeComObject : public base::ComObject<Interface> {
protected:
    FakeComObject() { ++fake_objects_alive_counter(); }
    ~FakeComObject() override { --fake_objects_alive_counter(); }
};

// Builds an enumerator whose active capture and render endpoints are the given ones. A failing
// direction answers EnumAudioEndpoints with E_FAIL.
Microsoft::WRL::ComPtr<IMMDeviceEnumerator> make_fake_enumerator(const std::vector<FakeEndpoint>& capture,
                                                                 const std::vector<FakeEndpoint>& render,
                                                                 bool capture_fails = false, bool render_fails = false);

long fake_objects_alive();

}  // namespace qev::datapath
