#include "shutdown_notice.h"

#include <windows.h>

#include <audiopolicy.h>

#include <string>

#include "change_journal.h"
#include "session_store.h"

namespace qevsim {

void ShutdownNotice::announce()
{
    const MachineChangeLock lock;
    for (const auto& session : SessionStore::listAll()) {
        if (session.disconnectReason) {
            continue;
        }
        ChangeRecord record;
        record.kind = ChangeRecord::Kind::SessionDisconnected;
        record.endpoint = session.endpointId;
        record.session = session.number;
        record.number = DisconnectReasonServerShutdown;
        const LONG rc = ChangeJournal::append(record);
        if (rc != ERROR_SUCCESS) {
            ::OutputDebugStringW(
                (L"[qevsim] Audiosrv cannot announce its shutdown, error " + std::to_wstring(rc) + L"\n").c_str());
        }
    }
}

}  // namespace qevsim
