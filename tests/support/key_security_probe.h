#pragma once

#include <windows.h>

#include <sddl.h>

#include <string>
#include <vector>

namespace qev::winsys::test {

// Reads and sets a key's security directly, to check what the code under test did.
class KeySecurityProbe {
public:
    explicit KeySecurityProbe(std::wstring subkey) : subkey_(std::move(subkey)) {}

    // Applies an SDDL text ("O:BUD:(A;;KR;;;WD)") to the key's owner and DACL.
    bool apply(const std::wstring& sddl) const
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                  nullptr)) {
            return false;
        }
        HKEY key = nullptr;
        LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey_.c_str(), 0, WRITE_OWNER | WRITE_DAC, &key);
        if (status == ERROR_SUCCESS) {
            status = RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor);
            RegCloseKey(key);
        }
        LocalFree(descriptor);
        return status == ERROR_SUCCESS;
    }

    std::wstring owner() const
    {
        std::vector<BYTE> descriptor = read(OWNER_SECURITY_INFORMATION);
        PSID owner = nullptr;
        BOOL defaulted = FALSE;
        const bool found = !descriptor.empty() && GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted);
        return found && owner != nullptr ? sid_text(owner) : L"<none>";
    }

    // True when an allowed entry for `sid` has exactly `mask` and carries `flags`.
    bool allows(const std::wstring& sid, ACCESS_MASK mask, BYTE flags) const
    {
        std::vector<BYTE> descriptor = read(DACL_SECURITY_INFORMATION);
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL dacl = nullptr;
        if (descriptor.empty() || !GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) ||
            !present || dacl == nullptr) {
            return false;
        }
        for (DWORD index = 0; index < dacl->AceCount; ++index) {
            void* ace = nullptr;
            if (!GetAce(dacl, index, &ace) || static_cast<const ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) {
                continue;
            }
            const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
            if (sid_text(const_cast<DWORD*>(&allowed->SidStart)) == sid && allowed->Mask == mask &&
                (allowed->Header.AceFlags & flags) == flags) {
                return true;
            }
        }
        return false;
    }

    // Every right the DACL's allowed entries give `sid`, together.
    ACCESS_MASK granted(const std::wstring& sid) const
    {
        std::vector<BYTE> descriptor = read(DACL_SECURITY_INFORMATION);
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL dacl = nullptr;
        ACCESS_MASK rights = 0;
        if (descriptor.empty() || !GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) ||
            !present || dacl == nullptr) {
            return rights;
        }
        for (DWORD index = 0; index < dacl->AceCount; ++index) {
            void* ace = nullptr;
            if (GetAce(dacl, index, &ace) && static_cast<const ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
                const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
                rights |= sid_text(const_cast<DWORD*>(&allowed->SidStart)) == sid ? allowed->Mask : 0;
            }
        }
        return rights;
    }

    // Owner and DACL as SDDL text, to compare a key's whole security before and after.
    std::wstring text() const
    {
        const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
        std::vector<BYTE> descriptor = read(what);
        LPWSTR text = nullptr;
        if (descriptor.empty() || !ConvertSecurityDescriptorToStringSecurityDescriptorW(
                                      descriptor.data(), SDDL_REVISION_1, what, &text, nullptr)) {
            return L"<unreadable>";
        }
        const std::wstring result = text;
        LocalFree(text);
        return result;
    }

private:
    std::vector<BYTE> read(SECURITY_INFORMATION what) const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey_.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) {
            return {};
        }
        DWORD size = 0;
        RegGetKeySecurity(key, what, nullptr, &size);
        std::vector<BYTE> buffer(size);
        const LSTATUS status = size == 0 ? ERROR_INVALID_DATA : RegGetKeySecurity(key, what, buffer.data(), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            buffer.clear();
        }
        return buffer;
    }

    static std::wstring sid_text(PSID sid)
    {
        LPWSTR text = nullptr;
        const std::wstring result = ConvertSidToStringSidW(sid, &text) ? text : L"<bad sid>";
        LocalFree(text);
        return result;
    }

    std::wstring subkey_;
};

}  // namespace qev::winsys::test
