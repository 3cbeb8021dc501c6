#include "class_factory.h"

#include "audio_interfaces.h"
#include "device_enumerator.h"
#include "policy_config.h"

namespace qevsim {

ClassFactory::ClassFactory(const CLSID& clsid) : clsid_(clsid)
{
    audioObject_ = false;
}

bool ClassFactory::serves(const CLSID& clsid)
{
    return clsid == kDeviceEnumeratorClsid || clsid == kPolicyConfigClsid;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (clsid_ == kDeviceEnumeratorClsid) {
        return handOut(new (std::nothrow) DeviceEnumerator(), iid, out);
    }
    return handOut(new (std::nothrow) PolicyConfig(), iid, out);
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    if (lock) {
        ++ModuleCount::value();
    } else {
        --ModuleCount::value();
    }
    return S_OK;
}

}  // namespace qevsim
