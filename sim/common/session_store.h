#pragma once

#include <windows.h>

#include <audiopolicy.h>

#include <optional>
#include <string>
#include <vector>

namespace qevsim {

// One simulated audio session, kept in the registry so that every process sees it:
// HKLM\SOFTWARE\qevsim\Sessions\<endpoint id>\<number> with ProcessId, State, DisplayName,
// IconPath, Executable and, once disconnected, DisconnectReason.
struct SessionRecord {
    std::wstring endpointId;
    std::wstring number;
    DWORD processId = 0;
    AudioSessionState state = AudioSessionStateInactive;
    std::wstring displayName;
    std::wstring iconPath;
    std::wstring executable;
    std::optional<DWORD> disconnectReason;

    std::wstring sessionIdentifier() const;
    std::wstring instanceIdentifier() const;
};

class SessionStore {
public:
    static std::vector<SessionRecord> list(const std::wstring& endpointId);
    static std::vector<SessionRecord> listAll();
    static std::optional<SessionRecord> find(const std::wstring& endpointId, const std::wstring& number);
    // Creates a session and returns its number; empty on failure.
    static std::wstring create(const std::wstring& endpointId, DWORD processId, AudioSessionState state,
                               const std::wstring& displayName, const std::wstring& executable);
    static LONG setState(const std::wstring& endpointId, const std::wstring& number, AudioSessionState state);
    static LONG setText(const std::wstring& endpointId, const std::wstring& number, const std::wstring& valueName,
                        const std::wstring& text);
    static LONG disconnect(const std::wstring& endpointId, const std::wstring& number, DWORD reason);
    static LONG remove(const std::wstring& endpointId, const std::wstring& number);
};

}  // namespace qevsim
