#include "machine_editor.h"

#include <mmdeviceapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

#include "created_keys.h"
#include "default_roles.h"
#include "endpoint_catalog.h"
#include "machine_layout.h"
#include "machine_change.h"
#include "own_folder.h"
#include "property_codec.h"
#include "reg_key.h"
#include "store_values.h"

namespace qevsim {

namespace {

constexpr wchar_t kDriverStoreRoot[] = L"SOFTWARE\\qevsim\\DriverStore";
constexpr wchar_t kFriendlyNameKey[] = L"{a45c254e-df1c-4efd-8020-67d146a850e0},14";

bool fail(std::wstring* error, const std::wstring& message)
{
    *error = message;
    return false;
}

std::wstring directoryOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

// The files a driver package brings besides its INF ("Files"), built beside this executable.
std::vector<std::wstring> packageFiles(const RegKey& entry)
{
    const auto files = entry.value(L"Files");
    return files ? bytesToMultiString(files->data) : std::vector<std::wstring>{};
}

std::wstring hexText(HRESULT hr)
{
    wchar_t text[12];
    std::swprintf(text, 12, L"%08X", static_cast<unsigned>(hr));
    return text;
}

void createDirectories(const std::wstring& directory)
{
    for (std::size_t pos = directory.find(L'\\', 3); pos != std::wstring::npos; pos = directory.find(L'\\', pos + 1)) {
        ::CreateDirectoryW(directory.substr(0, pos).c_str(), nullptr);
    }
    ::CreateDirectoryW(directory.c_str(), nullptr);
}

bool resolveEndpoint(const std::wstring& text, EndpointId* out, std::wstring* error)
{
    const auto id = EndpointId::resolve(text);
    if (!id || !EndpointCatalog::state(*id)) {
        return fail(error, L"no endpoint \"" + text + L"\" on this machine");
    }
    *out = *id;
    return true;
}

LONG applyOperation(const RegOperation& op)
{
    switch (op.kind) {
    case RegOperation::Kind::DeleteKey: {
        const LONG rc = deleteTree(op.root, op.path);
        return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
    case RegOperation::Kind::CreateKey: {
        LONG rc = ERROR_SUCCESS;
        RegKey::create(op.root, op.path, KEY_WRITE, &rc);
        return rc;
    }
    case RegOperation::Kind::SetValue: {
        LONG rc = ERROR_SUCCESS;
        const RegKey key = RegKey::create(op.root, op.path, KEY_WRITE, &rc);
        return key ? key.setValue(op.name, op.type, op.data) : rc;
    }
    case RegOperation::Kind::DeleteValue: {
        // A missing key has no value to delete; it is not created just for that.
        const RegKey key = RegKey::open(op.root, op.path, KEY_SET_VALUE);
        const LONG rc = key ? key.deleteValue(op.name) : ERROR_FILE_NOT_FOUND;
        return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
    }
    return ERROR_INVALID_PARAMETER;
}

std::optional<StoreAddress> storeAddress(const EndpointId& id, const std::wstring& store, std::wstring* error)
{
    if (store == L"device") {
        return StoreAddress::device(id);
    }
    if (store == L"fx") {
        return StoreAddress::fx(id);
    }
    const auto colon = store.find(L':');
    const std::wstring kind = store.substr(0, colon);
    const std::wstring context = colon == std::wstring::npos ? L"" : store.substr(colon + 1);
    const auto sub = kind == L"default"    ? std::optional(StoreAddress::Kind::Default)
                     : kind == L"user"     ? std::optional(StoreAddress::Kind::User)
                     : kind == L"volatile" ? std::optional(StoreAddress::Kind::Volatile)
                                           : std::nullopt;
    if (!sub || !isBracedGuid(context)) {
        *error = L"store must be device, fx, default:{CLSID}, user:{CLSID} or volatile:{CLSID}";
        return std::nullopt;
    }
    return StoreAddress{id, *sub, context};
}

// What a real endpoint carries on arrival besides its friendly name: the description, the
// interface's friendly name, the endpoint GUID and the engine's device format (48 kHz stereo PCM,
// WAVEFORMATEXTENSIBLE as a VT_BLOB). The interface path may come later, as it does on Windows.
std::vector<std::pair<std::wstring, RegValue>> standardProperties(const EndpointId& id, const std::wstring& name)
{
    static const std::uint8_t kFormat[] = {0xfe, 0xff, 0x02, 0x00, 0x80, 0xbb, 0x00, 0x00, 0x00, 0xee,
                                           0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 0x16, 0x00, 0x10, 0x00,
                                           0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
    const auto text = [](const std::wstring& value) { return RegValue{L"", REG_SZ, stringBytes(value)}; };
    return {{kFriendlyNameKey, text(name)},
            {L"{a45c254e-df1c-4efd-8020-67d146a850e0},2", text(name)},
            {L"{026e516e-b814-414b-83cd-856d6fef4822},2", text(L"qevsim Audio")},
            {L"{1da5d803-d492-4edd-8c23-e0c0ffee7f0e},4", text(id.guid())},
            {L"{f19f064d-082c-4e27-bc73-6882a1bb8e4c},0",
             RegValue{L"", REG_BINARY, std::vector<std::uint8_t>(std::begin(kFormat), std::end(kFormat))}}};
}

bool buildValue(const std::wstring& type, const std::vector<std::wstring>& values, PROPVARIANT* pv,
                std::vector<std::wstring>* strings, std::vector<LPWSTR>* pointers, std::wstring* error)
{
    PropVariantInit(pv);
    if (type == L"empty") {
        return values.empty() || fail(error, L"empty takes no value");
    }
    if (type == L"multi") {
        *strings = values;
        for (auto& s : *strings) {
            pointers->push_back(s.data());
        }
        pv->vt = VT_VECTOR | VT_LPWSTR;
        pv->calpwstr.cElems = static_cast<ULONG>(pointers->size());
        pv->calpwstr.pElems = pointers->data();
        return true;
    }
    if (values.size() != 1) {
        return fail(error, L"type " + type + L" takes exactly one value");
    }
    if (type == L"sz") {
        strings->push_back(values[0]);
        pv->vt = VT_LPWSTR;
        pv->pwszVal = (*strings)[0].data();
        return true;
    }
    const bool isSigned = type == L"i4";
    if (type != L"dword" && !isSigned) {
        return fail(error, L"type must be sz, multi, dword, i4 or empty");
    }
    try {
        std::size_t used = 0;
        const long long number = std::stoll(values[0], &used, 0);
        const bool inRange =
            isSigned ? (number >= -2147483648LL && number <= 2147483647LL) : (number >= 0 && number <= 0xFFFFFFFFLL);
        if (used != values[0].size() || !inRange) {
            return fail(error, L"value \"" + values[0] + L"\" is not a valid " + type);
        }
        if (isSigned) {
            pv->vt = VT_I4;
            pv->lVal = static_cast<LONG>(number);
        } else {
            pv->vt = VT_UI4;
            pv->ulVal = static_cast<ULONG>(number);
        }
    } catch (const std::exception&) {
        return fail(error, L"value \"" + values[0] + L"\" is not a number");
    }
    return true;
}

}  // namespace

bool parseDeviceState(const std::wstring& text, DWORD* state)
{
    const std::wstring word = toLower(text);
    if (word == L"active" || word == L"1") {
        *state = DEVICE_STATE_ACTIVE;
    } else if (word == L"disabled" || word == L"2") {
        *state = DEVICE_STATE_DISABLED;
    } else if (word == L"notpresent" || word == L"4") {
        *state = DEVICE_STATE_NOTPRESENT;
    } else if (word == L"unplugged" || word == L"8") {
        *state = DEVICE_STATE_UNPLUGGED;
    } else {
        return false;
    }
    return true;
}

const wchar_t* deviceStateWord(DWORD state)
{
    switch (state) {
    case DEVICE_STATE_ACTIVE:
        return L"active";
    case DEVICE_STATE_DISABLED:
        return L"disabled";
    case DEVICE_STATE_NOTPRESENT:
        return L"notpresent";
    case DEVICE_STATE_UNPLUGGED:
        return L"unplugged";
    default:
        return L"unknown";
    }
}

bool MachineEditor::clear(std::wstring* error)
{
    const MachineChange change(MachineChange::Reach::Structure);
    // The files first: the driver-store entries naming them are among the recorded keys.
    removeDriverStoreFiles();
    std::wstring failedKey;
    const LONG removed = CreatedKeys::removeRecorded(&failedKey);
    if (removed != ERROR_SUCCESS) {
        return fail(error, L"cannot remove " + failedKey + L" (error " + std::to_wstring(removed) + L")");
    }
    // The roots themselves stay, so processes watching them keep seeing changes.
    const std::wstring roots[] = {std::wstring(kAudioRoot) + L"\\Render", std::wstring(kAudioRoot) + L"\\Capture",
                                  std::wstring(kSimRoot)};
    for (const auto& root : roots) {
        const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, root, KEY_ALL_ACCESS);
        if (!key) {
            return fail(error, L"cannot open HKLM\\" + root);
        }
        for (const auto& name : key.subkeys()) {
            if (root == kSimRoot && (equalsNoCase(name, kJournalSubkey) || equalsNoCase(name, kViolationsSubkey) ||
                                     equalsNoCase(name, kProcessesSubkey))) {
                // How processes hear of changes, what the test programs check at their end, and the
                // started processes (qevsim clear ends them first).
                continue;
            }
            const LONG rc = key.deleteSubtree(name);
            if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
                return fail(error,
                            L"cannot clear HKLM\\" + root + L"\\" + name + L" (error " + std::to_wstring(rc) + L")");
            }
        }
    }
    RegKey::create(HKEY_LOCAL_MACHINE, kSessionsRoot, KEY_WRITE);
    return true;
}

bool MachineEditor::load(const std::vector<RegOperation>& ops, std::wstring* error)
{
    if (!clear(error)) {
        return false;
    }
    const MachineChange change(MachineChange::Reach::Structure);
    // Recorded before anything is written, so even a load that stops half-way is cleared fully.
    const LONG recorded = CreatedKeys::record(CreatedKeys::plan(ops));
    if (recorded != ERROR_SUCCESS) {
        return fail(error, L"cannot record the machine's keys (error " + std::to_wstring(recorded) + L")");
    }
    for (const auto& op : ops) {
        const LONG rc = applyOperation(op);
        if (rc != ERROR_SUCCESS) {
            return fail(error, L"cannot write " + op.path + L" (error " + std::to_wstring(rc) + L")");
        }
    }
    return writeDriverStoreFiles(error);
}

bool MachineEditor::writeDriverStoreFiles(std::wstring* error)
{
    const RegKey root = RegKey::open(HKEY_LOCAL_MACHINE, kDriverStoreRoot, KEY_READ);
    for (const auto& inf : root.subkeys()) {
        const RegKey entry = RegKey::open(root.get(), inf, KEY_READ);
        const auto path = entry.string(L"Path");
        const auto lines = entry.value(L"Lines");
        if (!path || path->empty()) {
            return fail(error, L"driver-store entry " + inf + L" has no Path");
        }
        const std::wstring directory = directoryOf(*path);
        createDirectories(directory);
        for (const auto& name : packageFiles(entry)) {
            const std::wstring source = ownFolder() + name;
            if (!::CopyFileW(source.c_str(), (directory + L"\\" + name).c_str(), FALSE)) {
                return fail(error, L"cannot place " + source + L" in the driver store (error " +
                                       std::to_wstring(::GetLastError()) + L")");
            }
        }
        std::ofstream file(std::filesystem::path(*path), std::ios::binary | std::ios::trunc);
        if (!file) {
            return fail(error, L"cannot write driver-store file " + *path);
        }
        for (const auto& line : lines ? bytesToMultiString(lines->data) : std::vector<std::wstring>{}) {
            for (const wchar_t c : line) {
                file.put(c < 0x80 ? static_cast<char>(c) : '?');
            }
            file << "\r\n";
        }
    }
    return true;
}

void MachineEditor::removeDriverStoreFiles()
{
    const RegKey root = RegKey::open(HKEY_LOCAL_MACHINE, kDriverStoreRoot, KEY_READ);
    for (const auto& inf : root.subkeys()) {
        const RegKey entry = RegKey::open(root.get(), inf, KEY_READ);
        const auto path = entry.string(L"Path");
        if (path && !path->empty()) {
            ::DeleteFileW(path->c_str());
            for (const auto& name : packageFiles(entry)) {
                ::DeleteFileW((directoryOf(*path) + L"\\" + name).c_str());
            }
            // Only an empty directory goes; one with other files in it stays.
            ::RemoveDirectoryW(directoryOf(*path).c_str());
        }
    }
}

bool MachineEditor::addEndpoint(const std::wstring& flow, const std::wstring& guid, const std::wstring& name,
                                DWORD state, std::wstring* error)
{
    const std::wstring word = toLower(flow);
    if (word != L"render" && word != L"capture") {
        return fail(error, L"flow must be render or capture");
    }
    if (!isBracedGuid(guid)) {
        return fail(error, L"endpoint GUID must look like {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}");
    }
    const EndpointId id(word == L"render" ? Flow::Render : Flow::Capture, guid);
    if (EndpointCatalog::state(id)) {
        return fail(error, L"endpoint " + id.text() + L" already exists");
    }
    const MachineChange change(MachineChange::Reach::Structure);
    // Properties first and DeviceState last: an endpoint without a state is none yet.
    const RegKey properties = RegKey::create(HKEY_LOCAL_MACHINE, id.propertiesPath(), KEY_WRITE);
    const RegKey fx = RegKey::create(HKEY_LOCAL_MACHINE, id.fxPath(), KEY_WRITE);
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, id.keyPath(), KEY_WRITE);
    bool written = properties && fx && key;
    if (written) {
        for (const auto& [valueName, value] : standardProperties(id, name)) {
            written = written && properties.setValue(valueName, value.type, value.data) == ERROR_SUCCESS;
        }
    }
    if (!written || key.setDword(kDeviceStateValue, state) != ERROR_SUCCESS) {
        deleteTree(HKEY_LOCAL_MACHINE, id.keyPath());
        return fail(error, L"cannot create endpoint " + id.text());
    }
    return true;
}

bool MachineEditor::removeEndpoint(const std::wstring& text, std::wstring* error)
{
    EndpointId id(Flow::Render, L"");
    if (!resolveEndpoint(text, &id, error)) {
        return false;
    }
    const MachineChange change(MachineChange::Reach::Structure);
    const LONG rc = deleteTree(HKEY_LOCAL_MACHINE, id.keyPath());
    if (rc != ERROR_SUCCESS) {
        return fail(error, L"cannot remove endpoint (error " + std::to_wstring(rc) + L")");
    }
    deleteTree(HKEY_LOCAL_MACHINE, std::wstring(kSessionsRoot) + L"\\" + id.text());
    return true;
}

bool MachineEditor::setState(const std::wstring& text, DWORD state, std::wstring* error)
{
    EndpointId id(Flow::Render, L"");
    if (!resolveEndpoint(text, &id, error)) {
        return false;
    }
    const MachineChange change(MachineChange::Reach::Structure);
    const LONG rc = EndpointCatalog::setState(id, state);
    return rc == ERROR_SUCCESS || fail(error, L"cannot set state (error " + std::to_wstring(rc) + L")");
}

bool MachineEditor::setProperty(const std::wstring& text, const std::wstring& store, const std::wstring& key,
                                const std::wstring& type, const std::vector<std::wstring>& values, std::wstring* error)
{
    EndpointId id(Flow::Render, L"");
    if (!resolveEndpoint(text, &id, error)) {
        return false;
    }
    const auto address = storeAddress(id, store, error);
    if (!address) {
        return false;
    }
    const auto propertyKey = PropertyCodec::parseValueName(key);
    if (!propertyKey) {
        return fail(error, L"property key must look like {fmtid},pid");
    }
    PROPVARIANT pv;
    std::vector<std::wstring> strings;
    std::vector<LPWSTR> pointers;
    if (!buildValue(type, values, &pv, &strings, &pointers, error)) {
        return false;
    }
    // A per-APO store of an effect gets its key, as the driver's INF would make it.
    if (address->perApo() && !RegKey::create(HKEY_LOCAL_MACHINE, address->keyPath(), KEY_READ)) {
        return fail(error, L"cannot make the store key " + address->keyPath());
    }
    // Written as through the store's IPropertyStore::SetValue (pv borrows strings: nothing to clear).
    const HRESULT hr = StoreValues::write(*address, *propertyKey, pv);
    return SUCCEEDED(hr) || fail(error, L"cannot write property (error 0x" + hexText(hr) + L")");
}

bool MachineEditor::setDefault(const std::wstring& text, const std::wstring& role, std::wstring* error)
{
    EndpointId id(Flow::Render, L"");
    if (!resolveEndpoint(text, &id, error)) {
        return false;
    }
    std::vector<ERole> roles;
    const std::wstring word = toLower(role);
    if (word == L"console") {
        roles = {eConsole};
    } else if (word == L"multimedia") {
        roles = {eMultimedia};
    } else if (word == L"communications") {
        roles = {eCommunications};
    } else if (word == L"all" || word.empty()) {
        roles = {eConsole, eMultimedia, eCommunications};
    } else {
        return fail(error, L"role must be console, multimedia, communications or all");
    }
    if (EndpointCatalog::state(id).value_or(0) != DEVICE_STATE_ACTIVE) {
        return fail(error, L"only an active endpoint can be the default");
    }
    const MachineChange change(MachineChange::Reach::Structure);
    for (const ERole each : roles) {
        const LONG rc = DefaultRoles::set(id, each);
        if (rc != ERROR_SUCCESS) {
            return fail(error, L"cannot set default (error " + std::to_wstring(rc) + L")");
        }
    }
    return true;
}

bool MachineEditor::setBuild(const std::wstring& build, std::wstring* error)
{
    if (build.empty() || build.size() > 6 || build.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return fail(error, L"build must be a number such as 19045 or 22631");
    }
    const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, kVersionKey, KEY_WRITE);
    if (!key || key.setString(L"CurrentBuildNumber", build) != ERROR_SUCCESS ||
        key.setString(L"CurrentBuild", build) != ERROR_SUCCESS ||
        key.setDword(L"CurrentMajorVersionNumber", 10) != ERROR_SUCCESS ||
        key.setDword(L"CurrentMinorVersionNumber", 0) != ERROR_SUCCESS) {
        return fail(error, L"cannot write the Windows version");
    }
    return true;
}

}  // namespace qevsim
