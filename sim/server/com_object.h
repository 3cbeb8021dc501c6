#pragma once

#include <windows.h>

#include <unknwn.h>

#include <atomic>
#include <new>

#include "base/com_object.h"

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

// The simulator's COM classes: the common IUnknown, counted for DllCanUnloadNow while alive.
template <typename... Interfaces>
class ComObject : public qev::base::ComObject<Interfaces...> {
protected:
    ComObject() { ++ModuleCount::value(); }
    ~ComObject() override { --ModuleCount::value(); }
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
