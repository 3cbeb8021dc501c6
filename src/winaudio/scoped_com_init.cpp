#include "winaudio/scoped_com_init.h"

#include <objbase.h>

namespace qev::winaudio {

ScopedComInit::ScopedComInit()
{
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (hr == RPC_E_CHANGED_MODE) {
        hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE);
    }
    initialized_ = SUCCEEDED(hr);
}

ScopedComInit::~ScopedComInit()
{
    if (initialized_) {
        CoUninitialize();
    }
}

}  // namespace qev::winaudio
