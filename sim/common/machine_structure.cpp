#include "machine_structure.h"

#include <mmdeviceapi.h>

#include <set>

#include "default_roles.h"
#include "endpoint_catalog.h"
#include "reg_key.h"

namespace qevsim {

namespace {

using Kind = ChangeRecord::Kind;

ChangeRecord endpointRecord(Kind kind, const std::wstring& id, DWORD number = 0)
{
    ChangeRecord record;
    record.kind = kind;
    record.endpoint = id;
    record.number = number;
    return record;
}

ChangeRecord sessionRecord(Kind kind, const SessionRecord& session, DWORD number = 0, const std::wstring& text = L"")
{
    ChangeRecord record;
    record.kind = kind;
    record.endpoint = session.endpointId;
    record.session = session.number;
    record.number = number;
    record.text = text;
    return record;
}

// Live sessions of an endpoint that stops being active lose their device.
void disconnectSessionsOf(const MachineStructure& before, const std::wstring& id, std::vector<ChangeRecord>& out)
{
    const std::wstring lowered = toLower(id);
    for (const auto& [key, session] : before.sessions) {
        if (toLower(session.endpointId) == lowered && !session.disconnectReason) {
            out.push_back(sessionRecord(Kind::SessionDisconnected, session, DisconnectReasonDeviceRemoval));
        }
    }
}

void endpointChanges(const MachineStructure& before, const MachineStructure& after, std::vector<ChangeRecord>& out)
{
    for (const auto& [lowered, old] : before.endpoints) {
        if (after.endpoints.count(lowered) == 0) {
            if (old.second == DEVICE_STATE_ACTIVE) {
                disconnectSessionsOf(before, old.first, out);
            }
            out.push_back(endpointRecord(Kind::Removed, old.first));
        }
    }
    for (const auto& [lowered, now] : after.endpoints) {
        const auto old = before.endpoints.find(lowered);
        if (old == before.endpoints.end()) {
            out.push_back(endpointRecord(Kind::Added, now.first));
        } else if (old->second.second != now.second) {
            if (old->second.second == DEVICE_STATE_ACTIVE) {
                disconnectSessionsOf(before, now.first, out);
            }
            out.push_back(endpointRecord(Kind::State, now.first, now.second));
        }
    }
}

void defaultChanges(const MachineStructure& before, const MachineStructure& after, std::vector<ChangeRecord>& out)
{
    std::set<std::pair<DWORD, DWORD>> slots;
    for (const auto& entry : before.defaults) {
        slots.insert(entry.first);
    }
    for (const auto& entry : after.defaults) {
        slots.insert(entry.first);
    }
    for (const auto& slot : slots) {
        const auto old = before.defaults.find(slot);
        const auto now = after.defaults.find(slot);
        const std::wstring oldId = old == before.defaults.end() ? L"" : old->second;
        const std::wstring newId = now == after.defaults.end() ? L"" : now->second;
        if (oldId != newId) {
            ChangeRecord record = endpointRecord(Kind::Default, newId);
            record.flow = slot.first;
            record.role = slot.second;
            out.push_back(record);
        }
    }
}

void sessionChanges(const MachineStructure& before, const MachineStructure& after, std::vector<ChangeRecord>& out)
{
    for (const auto& [key, now] : after.sessions) {
        const auto old = before.sessions.find(key);
        if (old == before.sessions.end()) {
            out.push_back(sessionRecord(Kind::SessionCreated, now, now.processId));
            continue;
        }
        if (old->second.displayName != now.displayName) {
            out.push_back(sessionRecord(Kind::SessionName, now, 0, now.displayName));
        }
        if (old->second.iconPath != now.iconPath) {
            out.push_back(sessionRecord(Kind::SessionIcon, now, 0, now.iconPath));
        }
        if (old->second.state != now.state) {
            out.push_back(sessionRecord(Kind::SessionState, now, static_cast<DWORD>(now.state)));
        }
        if (!old->second.disconnectReason && now.disconnectReason) {
            out.push_back(sessionRecord(Kind::SessionDisconnected, now, *now.disconnectReason));
        }
    }
    for (const auto& [key, old] : before.sessions) {
        if (after.sessions.count(key) == 0) {
            out.push_back(sessionRecord(Kind::SessionExpired, old));
        }
    }
}

}  // namespace

MachineStructure MachineStructure::capture()
{
    MachineStructure structure;
    for (const auto& entry : EndpointCatalog::list(std::nullopt, DEVICE_STATEMASK_ALL)) {
        const std::wstring id = entry.id.text();
        structure.endpoints[toLower(id)] = {id, entry.state};
    }
    for (const Flow flow : {Flow::Render, Flow::Capture}) {
        for (const ERole role : {eConsole, eMultimedia, eCommunications}) {
            if (const auto current = DefaultRoles::current(flow, role)) {
                structure.defaults[{static_cast<DWORD>(flow), static_cast<DWORD>(role)}] = current->text();
            }
        }
    }
    for (auto& session : SessionStore::listAll()) {
        std::wstring key = toLower(session.endpointId + L"|" + session.number);
        structure.sessions.emplace(std::move(key), std::move(session));
    }
    return structure;
}

std::vector<ChangeRecord> MachineStructure::changes(const MachineStructure& before, const MachineStructure& after)
{
    std::vector<ChangeRecord> records;
    endpointChanges(before, after, records);
    defaultChanges(before, after, records);
    sessionChanges(before, after, records);
    return records;
}

std::vector<std::wstring> MachineStructure::activated(const MachineStructure& before, const MachineStructure& after)
{
    std::vector<std::wstring> ids;
    for (const auto& [lowered, now] : after.endpoints) {
        const auto old = before.endpoints.find(lowered);
        if (old != before.endpoints.end() && old->second.second != DEVICE_STATE_ACTIVE &&
            now.second == DEVICE_STATE_ACTIVE) {
            ids.push_back(now.first);
        }
    }
    return ids;
}

}  // namespace qevsim
