#pragma once

#include <windows.h>

#include <unknwn.h>

#include "com_object.h"

namespace qevsim {

// Class factory of the two classes the DLL serves.
class ClassFactory final : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(const CLSID& clsid);

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    static bool serves(const CLSID& clsid);

private:
    const CLSID clsid_;
};

}  // namespace qevsim
