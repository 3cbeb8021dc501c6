#pragma once

#include <windows.h>

#include <unknwn.h>

#include <atomic>

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

// Reference counting and QueryInterface plumbing for the simulator's COM classes. The object
// starts with one reference, owned by whoever created it.
template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() { ++ModuleCount::value(); }
    virtual ~ComObject() { --ModuleCount::value(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = interfaceFor(iid);
        if (*out == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

protected:
    // The interface pointer for iid, or null.
    virtual void* interfaceFor(REFIID iid) = 0;

private:
    std::atomic<ULONG> references_{1};
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
