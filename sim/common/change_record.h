#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace qevsim {

// One change of the machine, as the audio service would announce it. Kept in the change journal
// (change_journal.h) as text fields, so every process reads the same records.
struct ChangeRecord {
    enum class Kind {
        Added,                // endpoint
        Removed,              // endpoint
        State,                // endpoint, number = new state
        Default,              // endpoint (empty: no default left), flow, role
        Property,             // endpoint, text = "{fmtid},pid"; device and FX stores
        EffectProperty,       // endpoint, context, number = store type (0 Default, 1 User, 2 Volatile), text = key
        SessionCreated,       // endpoint, session, number = process id
        SessionState,         // endpoint, session, number = new state
        SessionName,          // endpoint, session, text = display name
        SessionIcon,          // endpoint, session, text = icon path
        SessionDisconnected,  // endpoint, session, number = reason
        SessionExpired,       // endpoint, session (the session is gone)
    };

    Kind kind = Kind::Added;
    std::wstring endpoint;
    std::wstring session;  // session number
    std::wstring context;  // effect CLSID
    std::wstring text;
    DWORD number = 0;
    DWORD flow = 0;
    DWORD role = 0;
    // The audio service run the change was made in (AudioServiceState::generation(); 0: stopped).
    DWORD run = 0;

    std::wstring encode() const;
    static std::optional<ChangeRecord> decode(const std::wstring& stored);
};

}  // namespace qevsim
