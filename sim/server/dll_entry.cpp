// Entry points of the in-process COM server.
#include <windows.h>

#include <objbase.h>

#include "class_factory.h"

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!qevsim::ClassFactory::serves(clsid)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return qevsim::handOut(new (std::nothrow) qevsim::ClassFactory(clsid), iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return qevsim::ModuleCount::value() == 0 ? S_OK : S_FALSE;
}
