#include "machine_change.h"

#include "machine_layout.h"
#include "reg_key.h"

namespace qevsim {

namespace {

// The volatile per-APO stores of an endpoint are emptied each time it becomes active.
void clearVolatileStores(const std::wstring& endpoint)
{
    const auto id = EndpointId::parse(endpoint);
    if (!id) {
        return;
    }
    const RegKey fx = RegKey::open(HKEY_LOCAL_MACHINE, id->fxPath(), KEY_READ);
    for (const auto& context : fx.subkeys()) {
        const RegKey store =
            RegKey::open(HKEY_LOCAL_MACHINE, id->fxPath() + L"\\" + context + L"\\Volatile", KEY_READ | KEY_SET_VALUE);
        for (const auto& value : store.values()) {
            store.deleteValue(value.name);
        }
    }
}

void journal(const ChangeRecord& record)
{
    const LONG rc = ChangeJournal::append(record);
    if (rc != ERROR_SUCCESS) {
        ::OutputDebugStringW((L"[qevsim] cannot journal a change, error " + std::to_wstring(rc) + L"\n").c_str());
    }
}

}  // namespace

MachineChange::MachineChange(Reach reach)
{
    if (reach == Reach::Structure) {
        before_ = MachineStructure::capture();
    }
}

MachineChange::~MachineChange()
{
    if (before_) {
        const MachineStructure after = MachineStructure::capture();
        for (const auto& id : MachineStructure::activated(*before_, after)) {
            clearVolatileStores(id);
        }
        for (const auto& record : MachineStructure::changes(*before_, after)) {
            journal(record);
        }
    }
    for (const auto& record : records_) {
        journal(record);
    }
}

void MachineChange::record(ChangeRecord record)
{
    records_.push_back(std::move(record));
}

}  // namespace qevsim
