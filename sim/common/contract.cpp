#include "contract.h"

#include <atomic>

#include "machine_layout.h"
#include "reg_key.h"

namespace qevsim {

bool Contract::endpointCallbackAddRef()
{
    return RegKey::open(HKEY_LOCAL_MACHINE, kContractKey, KEY_READ).dword(kEndpointCallbackAddRef).value_or(0) != 0;
}

LONG Contract::setSwitch(const std::wstring& name, DWORD value)
{
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, kContractKey, KEY_SET_VALUE, &rc);
    return key ? key.setDword(name, value) : rc;
}

void Contract::reportViolation(const std::wstring& what)
{
    ::OutputDebugStringW((L"[qevsim] contract violation: " + what + L"\n").c_str());
    static std::atomic<unsigned> counter{0};
    const std::wstring name = std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(++counter);
    const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, kViolationsKey, KEY_SET_VALUE);
    key.setString(name, what);
}

std::vector<std::wstring> Contract::violations()
{
    std::vector<std::wstring> texts;
    for (const auto& value : RegKey::open(HKEY_LOCAL_MACHINE, kViolationsKey, KEY_READ).values()) {
        texts.push_back(bytesToString(value.data));
    }
    return texts;
}

void Contract::clearViolations()
{
    deleteTree(HKEY_LOCAL_MACHINE, kViolationsKey);
}

}  // namespace qevsim
