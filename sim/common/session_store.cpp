#include "session_store.h"

#include <algorithm>

#include "machine_layout.h"
#include "reg_key.h"

namespace qevsim {

namespace {

std::wstring endpointPath(const std::wstring& endpointId)
{
    return std::wstring(kSessionsRoot) + L"\\" + endpointId;
}

std::wstring sessionPath(const std::wstring& endpointId, const std::wstring& number)
{
    return endpointPath(endpointId) + L"\\" + number;
}

bool isNumber(const std::wstring& text)
{
    return !text.empty() && text.size() < 9 &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::optional<SessionRecord> readSession(const std::wstring& endpointId, const std::wstring& number)
{
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, sessionPath(endpointId, number), KEY_READ);
    if (!key) {
        return std::nullopt;
    }
    const auto processId = key.dword(L"ProcessId");
    if (!processId) {
        return std::nullopt;
    }
    SessionRecord record;
    record.endpointId = endpointId;
    record.number = number;
    record.processId = *processId;
    const DWORD state = key.dword(L"State").value_or(AudioSessionStateInactive);
    record.state =
        state <= AudioSessionStateExpired ? static_cast<AudioSessionState>(state) : AudioSessionStateInactive;
    record.displayName = key.string(L"DisplayName").value_or(L"");
    record.iconPath = key.string(L"IconPath").value_or(L"");
    record.executable = key.string(L"Executable").value_or(L"");
    record.disconnectReason = key.dword(L"DisconnectReason");
    return record;
}

LONG openSession(const std::wstring& endpointId, const std::wstring& number, RegKey* out)
{
    if (!isNumber(number)) {
        return ERROR_INVALID_PARAMETER;
    }
    LONG rc = ERROR_SUCCESS;
    *out = RegKey::open(HKEY_LOCAL_MACHINE, sessionPath(endpointId, number), KEY_READ | KEY_SET_VALUE, &rc);
    return rc;
}

}  // namespace

std::wstring SessionRecord::sessionIdentifier() const
{
    const std::wstring exe = executable.empty() ? L"qevsim-session.exe" : executable;
    return endpointId + L"|" + exe + L"%b{00000000-0000-0000-0000-000000000000}";
}

std::wstring SessionRecord::instanceIdentifier() const
{
    return sessionIdentifier() + L"|" + number + L"%b" + std::to_wstring(processId);
}

std::vector<SessionRecord> SessionStore::list(const std::wstring& endpointId)
{
    std::vector<SessionRecord> result;
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, endpointPath(endpointId), KEY_READ);
    std::vector<std::wstring> numbers = key.subkeys();
    std::sort(numbers.begin(), numbers.end(), [](const std::wstring& a, const std::wstring& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const auto& number : numbers) {
        if (!isNumber(number)) {
            continue;
        }
        if (auto record = readSession(endpointId, number)) {
            result.push_back(std::move(*record));
        }
    }
    return result;
}

std::vector<SessionRecord> SessionStore::listAll()
{
    std::vector<SessionRecord> result;
    const RegKey root = RegKey::open(HKEY_LOCAL_MACHINE, kSessionsRoot, KEY_READ);
    for (const auto& endpointId : root.subkeys()) {
        auto sessions = list(endpointId);
        std::move(sessions.begin(), sessions.end(), std::back_inserter(result));
    }
    return result;
}

std::optional<SessionRecord> SessionStore::find(const std::wstring& endpointId, const std::wstring& number)
{
    return isNumber(number) ? readSession(endpointId, number) : std::nullopt;
}

std::wstring SessionStore::create(const std::wstring& endpointId, DWORD processId, AudioSessionState state,
                                  const std::wstring& displayName, const std::wstring& executable)
{
    const RegKey parent = RegKey::create(HKEY_LOCAL_MACHINE, endpointPath(endpointId), KEY_ALL_ACCESS);
    if (!parent) {
        return L"";
    }
    unsigned next = 1;
    for (const auto& number : parent.subkeys()) {
        if (isNumber(number)) {
            next = std::max(next, static_cast<unsigned>(std::stoul(number)) + 1);
        }
    }
    // The first number not taken; another process making a session at the same moment takes the next.
    std::wstring number;
    RegKey key;
    for (unsigned attempt = 0; attempt < 64 && !key; ++attempt, ++next) {
        number = std::to_wstring(next);
        key = RegKey::createNew(parent.get(), number, KEY_ALL_ACCESS);
    }
    // ProcessId is written last: a session key without it is not a session yet, so no watcher
    // sees a half-made one.
    if (!key || key.setDword(L"State", static_cast<DWORD>(state)) != ERROR_SUCCESS ||
        key.setString(L"DisplayName", displayName) != ERROR_SUCCESS ||
        key.setString(L"IconPath", L"") != ERROR_SUCCESS || key.setString(L"Executable", executable) != ERROR_SUCCESS ||
        key.setDword(L"ProcessId", processId) != ERROR_SUCCESS) {
        if (key) {
            deleteTree(HKEY_LOCAL_MACHINE, sessionPath(endpointId, number));
        }
        return L"";
    }
    return number;
}

LONG SessionStore::setState(const std::wstring& endpointId, const std::wstring& number, AudioSessionState state)
{
    if (state < AudioSessionStateInactive || state > AudioSessionStateExpired) {
        return ERROR_INVALID_PARAMETER;
    }
    RegKey key;
    const LONG rc = openSession(endpointId, number, &key);
    return rc != ERROR_SUCCESS ? rc : key.setDword(L"State", static_cast<DWORD>(state));
}

LONG SessionStore::setText(const std::wstring& endpointId, const std::wstring& number, const std::wstring& valueName,
                           const std::wstring& text)
{
    RegKey key;
    const LONG rc = openSession(endpointId, number, &key);
    return rc != ERROR_SUCCESS ? rc : key.setString(valueName, text);
}

LONG SessionStore::disconnect(const std::wstring& endpointId, const std::wstring& number, DWORD reason)
{
    if (reason > DisconnectReasonExclusiveModeOverride) {
        return ERROR_INVALID_PARAMETER;
    }
    RegKey key;
    const LONG rc = openSession(endpointId, number, &key);
    return rc != ERROR_SUCCESS ? rc : key.setDword(L"DisconnectReason", reason);
}

LONG SessionStore::remove(const std::wstring& endpointId, const std::wstring& number)
{
    if (!isNumber(number)) {
        return ERROR_INVALID_PARAMETER;
    }
    return deleteTree(HKEY_LOCAL_MACHINE, sessionPath(endpointId, number));
}

}  // namespace qevsim
