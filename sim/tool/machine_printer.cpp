#include "machine_printer.h"

#include <mmdeviceapi.h>

#include "default_roles.h"
#include "endpoint_catalog.h"
#include "machine_editor.h"
#include "machine_layout.h"
#include "property_codec.h"
#include "reg_key.h"
#include "session_store.h"

namespace qevsim {

namespace {

std::wstring defaultRolesOf(const EndpointId& id)
{
    std::wstring roles;
    const wchar_t* names[3] = {L"console", L"multimedia", L"communications"};
    for (int role = 0; role < 3; ++role) {
        const auto current = DefaultRoles::current(id.flow(), static_cast<ERole>(role));
        if (current && equalsNoCase(current->text(), id.text())) {
            roles += (roles.empty() ? L"" : L",") + std::wstring(names[role]);
        }
    }
    return roles;
}

std::wstring describeValues(const std::wstring& title, const std::wstring& path)
{
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, path, KEY_READ);
    const auto values = key.values();
    if (values.empty()) {
        return L"";
    }
    std::wstring text = L"    " + title + L":\n";
    for (const auto& value : values) {
        text += L"      " + value.name + L" = " + PropertyCodec::describe(value) + L"\n";
    }
    return text;
}

const wchar_t* sessionStateWord(AudioSessionState state)
{
    switch (state) {
    case AudioSessionStateActive:
        return L"active";
    case AudioSessionStateExpired:
        return L"expired";
    default:
        return L"inactive";
    }
}

}  // namespace

std::wstring MachinePrinter::describe()
{
    const unsigned build = simulatedBuild();
    std::wstring text = L"Windows build " + std::to_wstring(build) +
                        (build >= kFirstEffectStoreBuild ? L" (Windows 11)\n" : L" (Windows 10)\n");
    return text + describeEndpoints() + describeSessions();
}

std::wstring MachinePrinter::describeEndpoints()
{
    std::wstring text;
    for (const Flow flow : {Flow::Render, Flow::Capture}) {
        const auto entries = EndpointCatalog::list(flow, DEVICE_STATEMASK_ALL);
        text += std::wstring(flowWord(flow)) + L" endpoints: " + std::to_wstring(entries.size()) + L"\n";
        for (const auto& entry : entries) {
            const std::wstring roles = defaultRolesOf(entry.id);
            text += L"  " + entry.id.text() + L"  " + deviceStateWord(entry.state) +
                    (roles.empty() ? L"" : L"  default: " + roles) + L"\n";
            text += describeValues(L"Properties", entry.id.propertiesPath());
            text += describeValues(L"FxProperties", entry.id.fxPath());
            const RegKey fx = RegKey::open(HKEY_LOCAL_MACHINE, entry.id.fxPath(), KEY_READ);
            for (const auto& context : fx.subkeys()) {
                for (const wchar_t* store : {L"Default", L"User", L"Volatile"}) {
                    text += describeValues(L"FxProperties\\" + context + L"\\" + store,
                                           entry.id.fxPath() + L"\\" + context + L"\\" + store);
                }
            }
        }
    }
    return text;
}

std::wstring MachinePrinter::describeSessions()
{
    const auto sessions = SessionStore::listAll();
    std::wstring text = L"Sessions: " + std::to_wstring(sessions.size()) + L"\n";
    for (const auto& session : sessions) {
        text +=
            L"  " + session.endpointId + L" #" + session.number + L"  pid " + std::to_wstring(session.processId) +
            L"  " + sessionStateWord(session.state) + L"  \"" + session.displayName + L"\"" +
            (session.disconnectReason ? L"  disconnected (reason " + std::to_wstring(*session.disconnectReason) + L")"
                                      : L"") +
            L"\n";
    }
    return text;
}

}  // namespace qevsim
