#include "sysinfo/os_version.h"

#include "sysinfo/decimal_number.h"
#include "winsys/registry.h"

#include <windows.h>

#include <optional>
#include <string>

namespace qev::sysinfo {
namespace {

constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// A REG_DWORD of the CurrentVersion key that fits the 16-bit field.
std::optional<uint16_t> read_version_dword(const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (value > UINT16_MAX) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

// Throws the two conversion exceptions; a number that does not fit 16 bits is not a build.
std::optional<uint16_t> read_build_number()
{
    std::wstring text;
    if (!qev::winsys::read_string(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber", text)) {
        return std::nullopt;
    }
    const int build = ParseDecimal(text);
    if (build < 0 || build > UINT16_MAX) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(build);
}

}  // namespace

bool GetOsVersion(OsVersion& out)
{
    out.revision = read_version_dword(L"UBR").value_or(0);
    const std::optional<uint16_t> major = read_version_dword(L"CurrentMajorVersionNumber");
    const std::optional<uint16_t> minor = read_version_dword(L"CurrentMinorVersionNumber");
    out.major = major.value_or(0);
    out.minor = minor.value_or(0);
    const std::optional<uint16_t> build = read_build_number();
    out.build = build.value_or(0);
    return major && minor && build;
}

}  // namespace qev::sysinfo
