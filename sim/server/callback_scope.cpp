#include "callback_scope.h"

#include <string>

#include "contract.h"

namespace qevsim {

namespace {

thread_local int g_depth = 0;

}  // namespace

CallbackScope::CallbackScope()
{
    ++g_depth;
}

CallbackScope::~CallbackScope()
{
    --g_depth;
}

bool CallbackScope::active()
{
    return g_depth > 0;
}

HRESULT refuseInsideCallback(const wchar_t* call)
{
    if (!CallbackScope::active()) {
        return S_OK;
    }
    Contract::reportViolation(std::wstring(call) + L" called inside a notification callback (refused)");
    return kIllegalMethodCall;
}

}  // namespace qevsim
