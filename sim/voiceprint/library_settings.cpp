#include "library_settings.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "reg_key.h"

namespace qevsim::vprb {
namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\qevsim\\VPRB01";
// Enough bands for any test, small enough for the scratch block.
constexpr std::uint32_t kMaxDigits = 4096;

}  // namespace

LibrarySettings LibrarySettings::read()
{
    LibrarySettings settings;
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ);
    if (!key) {
        return settings;
    }
    if (const auto version = key.string(L"Version")) {
        unsigned major = 0, minor = 0, patch = 0;
        if (std::swscanf(version->c_str(), L"%u.%u.%u", &major, &minor, &patch) == 3) {
            settings.major = major;
            settings.minor = minor;
            settings.patch = patch;
        }
    }
    if (const auto digits = key.dword(L"Digits"); digits && *digits > 0 && *digits <= kMaxDigits) {
        settings.digits = *digits;
    }
    if (const auto failing = key.value(L"FailCalls")) {
        for (const std::wstring& call : bytesToMultiString(failing->data)) {
            settings.failingCalls.emplace_back(call.begin(), call.end());
        }
    }
    settings.incomplete = key.dword(L"Incomplete").value_or(0) != 0;
    return settings;
}

bool LibrarySettings::fails(const char* call) const
{
    return std::find(failingCalls.begin(), failingCalls.end(), call) != failingCalls.end();
}

}  // namespace qevsim::vprb
