#include "machine_watcher.h"

#include <objbase.h>

#include "base/com_init.h"
#include "change_dispatcher.h"
#include "change_journal.h"
#include "delivery_lanes.h"
#include "machine_layout.h"
#include "notification_hub.h"

namespace qevsim {

namespace {
constexpr DWORD kStartTimeoutMilliseconds = 10000;
constexpr REGSAM kWatchAccess = KEY_NOTIFY | KEY_READ;
}  // namespace

std::shared_ptr<MachineWatcher> MachineWatcher::start()
{
    std::shared_ptr<MachineWatcher> watcher(new MachineWatcher());
    watcher->changed_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    watcher->stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    watcher->ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!watcher->changed_ || !watcher->stop_ || !watcher->ready_) {
        return nullptr;
    }
    // The thread holds a reference to this DLL and gives it up as its last act.
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&MachineWatcher::threadMain), &module)) {
        return nullptr;
    }
    auto* parameter = new std::shared_ptr<MachineWatcher>(watcher);
    const qev::base::UniqueKernelHandle thread(
        ::CreateThread(nullptr, 0, &MachineWatcher::threadMain, parameter, 0, nullptr));
    if (!thread) {
        delete parameter;
        ::FreeLibrary(module);
        return nullptr;
    }
    ::WaitForSingleObject(watcher->ready_.get(), kStartTimeoutMilliseconds);
    return watcher;
}

void MachineWatcher::requestStop()
{
    ::SetEvent(stop_.get());
}

DWORD WINAPI MachineWatcher::threadMain(void* parameter)
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&MachineWatcher::threadMain), &module);
    {
        const std::unique_ptr<std::shared_ptr<MachineWatcher>> self(
            static_cast<std::shared_ptr<MachineWatcher>*>(parameter));
        const qev::base::ComInit com(COINIT_MULTITHREADED);
        (*self)->run();
    }
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

void MachineWatcher::arm()
{
    ::ResetEvent(changed_.get());
    // Opened afresh each time: a journal deleted and made again (a new prefix) is a new key.
    journalKey_ = RegKey::create(HKEY_LOCAL_MACHINE, kJournalKey, kWatchAccess);
    ::RegNotifyChangeKeyValue(journalKey_.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed_.get(), TRUE);
}

template <typename Deliver>
void MachineWatcher::catchUp(Deliver deliver)
{
    const DWORD next = ChangeJournal::next();
    if (next < cursor_) {
        cursor_ = 0;  // the journal began again
    }
    if (next - cursor_ > ChangeJournal::kKept) {
        ::OutputDebugStringW(L"[qevsim] notifications fell behind the change journal; the oldest are lost\n");
        cursor_ = next - ChangeJournal::kKept;
    }
    for (; cursor_ < next; ++cursor_) {
        if (const auto record = ChangeJournal::read(cursor_)) {
            deliver(*record);
        }
    }
}

void MachineWatcher::run()
{
    DeliveryLanes lanes;
    arm();
    cursor_ = ChangeJournal::next();
    ::SetEvent(ready_.get());
    const HANDLE handles[2] = {changed_.get(), stop_.get()};
    for (;;) {
        const DWORD woke = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 + 1) {
            if (NotificationHub::instance().releaseWatcherIfIdle(this)) {
                return;
            }
            ::ResetEvent(stop_.get());
            continue;
        }
        if (woke != WAIT_OBJECT_0) {
            return;
        }
        // Armed again before reading, so a record written meanwhile wakes the next round.
        arm();
        catchUp([&lanes](const ChangeRecord& record) { lanes.run([&record] { ChangeDispatcher::deliver(record); }); });
    }
}

}  // namespace qevsim
