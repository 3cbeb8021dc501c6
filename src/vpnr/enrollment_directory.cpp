#include "vpnr/enrollment_directory.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <string_view>

namespace qev::vpnr {
namespace {

constexpr std::wstring_view kEnrollmentSuffix = L"_enroll.bin";

bool is_enrollment_file_name(std::wstring_view name)
{
    return name.size() >= kEnrollmentSuffix.size() &&
           _wcsicmp(name.substr(name.size() - kEnrollmentSuffix.size()).data(), kEnrollmentSuffix.data()) == 0;
}

}  // namespace

std::optional<std::wstring> enrollment_directory()
{
    std::wstring value(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(L"PROGRAMDATA", value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < value.size()) {
            value.resize(length);
            return value + L"\\qEv";
        }
        // Too small: length is the size needed, terminator included.
        value.resize(length);
    }
}

std::vector<std::wstring> list_enrollment_files(const std::wstring& directory)
{
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW entry{};
    const base::UniqueFindHandle find(FindFirstFileW((directory + L"\\*").c_str(), &entry));
    if (!find) {
        return files;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && is_enrollment_file_name(entry.cFileName)) {
            files.push_back(directory + L"\\" + entry.cFileName);
        }
    } while (FindNextFileW(find.get(), &entry));
    return files;
}

}  // namespace qev::vpnr
