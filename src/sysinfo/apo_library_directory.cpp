#include "sysinfo/apo_library_directory.h"

#include "base/logging.h"
#include "sysinfo/apo_identifiers.h"
#include "sysinfo/driver_date.h"
#include "sysinfo/driver_version.h"
#include "sysinfo/local_machine_key.h"
#include "sysinfo/wide_text.h"
#include "winsys/registry.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <vector>

namespace qev::sysinfo {
namespace {

struct DriverCandidate {
    std::wstring subkey;
    DriverDate date;
    DriverVersion version;
};

std::optional<std::wstring> expand_environment(const std::wstring& text)
{
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) {
        base::log_printf("Failed to expand env string, err: 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(needed);
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), needed);
    if (written == 0 || written > needed) {
        base::log_printf("Failed to expand env string, err: 0x%08X\n", static_cast<unsigned>(GetLastError()));
        return std::nullopt;
    }
    return std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
}

// The directory of the server registered as the default value of an InProcServer32 key.
std::wstring server_directory(const std::wstring& in_proc_server_key)
{
    std::wstring server;
    if (!qev::winsys::read_string(HKEY_LOCAL_MACHINE, in_proc_server_key, L"", server)) {
        return std::wstring();
    }
    const std::optional<std::wstring> expanded = expand_environment(server);
    if (!expanded) {
        return std::wstring();
    }
    return std::filesystem::path(*expanded).parent_path().wstring();
}

// Class keys keep the driver date as "month-day-year"; the parser takes "year-month-day".
DriverDate parse_class_key_date(const std::wstring& text)
{
    const std::vector<std::wstring> parts = SplitText(text, L'-');
    if (parts.size() != 3) {
        return ParseDriverDate(text);
    }
    return ParseDriverDate(parts[2] + L"-" + parts[0] + L"-" + parts[1]);
}

bool registers_class(const std::wstring& driver_key, const std::wstring& class_id)
{
    std::vector<std::wstring> classes;
    if (!qev::winsys::enum_subkeys(HKEY_LOCAL_MACHINE, driver_key + L"\\Classes\\CLSID", classes)) {
        return false;
    }
    return std::any_of(classes.begin(), classes.end(),
                       [&](const std::wstring& name) { return EqualsIgnoreCase(name, class_id); });
}

std::optional<DriverCandidate> read_candidate(const std::wstring& subkey, const std::wstring& class_id,
                                              const std::wstring& provider_word)
{
    const std::wstring driver_key = GetApoKeyPaths().apo_class_key + L"\\" + subkey;
    std::wstring description;
    std::wstring version;
    std::wstring date;
    if (!qev::winsys::read_string(HKEY_LOCAL_MACHINE, driver_key, L"DriverDesc", description) ||
        description.find(provider_word) == std::wstring::npos ||
        !qev::winsys::read_string(HKEY_LOCAL_MACHINE, driver_key, L"DriverVersion", version) ||
        !qev::winsys::read_string(HKEY_LOCAL_MACHINE, driver_key, L"DriverDate", date) ||
        !registers_class(driver_key, class_id)) {
        return std::nullopt;
    }
    return DriverCandidate{subkey, parse_class_key_date(date), ParseVersion(version)};
}

// The latest date wins, then the highest version; nothing beats 1900-01-01 with 0.0.0.0.
std::optional<std::wstring> newest_driver(const std::vector<DriverCandidate>& candidates)
{
    std::optional<std::wstring> chosen;
    DriverDate best_date = kUnknownDriverDate;
    DriverVersion best_version;
    for (const DriverCandidate& candidate : candidates) {
        if (candidate.date > best_date || (candidate.date == best_date && candidate.version > best_version)) {
            chosen = candidate.subkey;
            best_date = candidate.date;
            best_version = candidate.version;
        }
    }
    return chosen;
}

std::wstring directory_from_drivers(const std::wstring& class_id, const std::wstring& provider_word)
{
    std::vector<std::wstring> subkeys;
    if (!qev::winsys::enum_subkeys(HKEY_LOCAL_MACHINE, GetApoKeyPaths().apo_class_key, subkeys)) {
        return std::wstring();
    }
    std::vector<DriverCandidate> candidates;
    for (const std::wstring& subkey : subkeys) {
        if (std::optional<DriverCandidate> candidate = read_candidate(subkey, class_id, provider_word)) {
            candidates.push_back(std::move(*candidate));
        }
    }
    const std::optional<std::wstring> chosen = newest_driver(candidates);
    if (!chosen) {
        return std::wstring();
    }
    return server_directory(GetApoKeyPaths().apo_class_key + L"\\" + *chosen + L"\\Classes\\CLSID\\" + class_id +
                            L"\\InProcServer32");
}

}  // namespace

std::wstring FindApoLibraryDirectory(const std::wstring& class_id, const std::wstring& provider_word)
{
    const std::wstring global_key = InProcServerKey(class_id);
    if (LocalMachineKeyOpens(global_key)) {
        return server_directory(global_key);
    }
    return directory_from_drivers(class_id, provider_word);
}

}  // namespace qev::sysinfo
