#pragma once

#include <windows.h>

#include <unknwn.h>

#include <atomic>
#include <new>

#include "base/com_object.h"
#include "callback_scope.h"
#include "contract.h"

namespace qevsim {

// Live objects and server locks of this DLL, for DllCanUnloadNow.
class ModuleCount {
public:
    static std::atomic<long>& value()
    {
        static std::atomic<long> count{0};
        return count;
    }
};

// The simulator's COM classes: the common IUnknown, counted for DllCanUnloadNow while alive. An
// audio object whose last reference goes inside a notification callback is a violation: the
// documentation forbids it, as it can deadlock the audio service.
template <typename... Interfaces>
class ComObject : public qev::base::ComObject<Interfaces...> {
protected:
    ComObject() { ++ModuleCount::value(); }
    ~ComObject() override
    {
        if (audioObject_ && CallbackScope::active()) {
            Contract::reportViolation(
                L"the last reference to an audio object was released inside a notification "
                L"callback");
        }
        --ModuleCount::value();
    }

    // COM's own plumbing (the class factory) is no audio object.
    bool audioObject_ = true;
};

// Hands a new object (one reference) to a caller asking for iid.
template <typename Object>
HRESULT handOut(Object* object, REFIID iid, void** out)
{
    if (object == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

}  // namespace qevsim
