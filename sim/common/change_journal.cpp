#include "change_journal.h"

#include <cstdio>

#include "audio_service_state.h"
#include "machine_layout.h"
#include "reg_key.h"

namespace qevsim {

namespace {

constexpr wchar_t kNextValue[] = L"Next";
constexpr wchar_t kLockName[] = L"qevsim-machine-changes";
// A change takes milliseconds; a holder that is stuck longer is not waited for.
constexpr DWORD kLockTimeoutMilliseconds = 10000;

std::wstring recordName(DWORD number)
{
    wchar_t name[16];
    std::swprintf(name, 16, L"%010lu", static_cast<unsigned long>(number));
    return name;
}

}  // namespace

LONG ChangeJournal::append(const ChangeRecord& record)
{
    LONG rc = ERROR_SUCCESS;
    const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, kJournalKey, KEY_READ | KEY_SET_VALUE, &rc);
    if (!key) {
        return rc;
    }
    const DWORD number = key.dword(kNextValue).value_or(0);
    // Session clients hear only changes made in the service run they registered in.
    ChangeRecord stamped = record;
    stamped.run = AudioServiceState::generation();
    rc = key.setString(recordName(number), stamped.encode());
    if (rc != ERROR_SUCCESS) {
        return rc;
    }
    // The record is complete before Next announces it.
    rc = key.setDword(kNextValue, number + 1);
    if (number >= kKept) {
        key.deleteValue(recordName(number - kKept));
    }
    return rc;
}

DWORD ChangeJournal::next()
{
    return RegKey::open(HKEY_LOCAL_MACHINE, kJournalKey, KEY_READ).dword(kNextValue).value_or(0);
}

std::optional<ChangeRecord> ChangeJournal::read(DWORD number)
{
    const auto text = RegKey::open(HKEY_LOCAL_MACHINE, kJournalKey, KEY_READ).string(recordName(number));
    return text ? ChangeRecord::decode(*text) : std::nullopt;
}

MachineChangeLock::MachineChangeLock() : mutex_(::CreateMutexW(nullptr, FALSE, kLockName))
{
    if (mutex_) {
        // An abandoned lock (its holder died) is ours all the same.
        const DWORD waited = ::WaitForSingleObject(mutex_.get(), kLockTimeoutMilliseconds);
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
}

MachineChangeLock::~MachineChangeLock()
{
    if (owned_) {
        ::ReleaseMutex(mutex_.get());
    }
}

}  // namespace qevsim
