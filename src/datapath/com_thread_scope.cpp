#include "datapath/com_thread_scope.h"

#include <objbase.h>

ComThreadScope::ComThreadScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}

ComThreadScope::~ComThreadScope()
{
    if (SUCCEEDED(result_)) {
        CoUninitialize();
    }
}
