#pragma once

#include "base/unique_handle.h"

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
        base::UniqueLocalMemory descriptor;
        base::UniqueRegKey key;
        return ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, descriptor.put(),
                                                                    nullptr) &&
               RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey_.c_str(), 0, WRITE_OWNER | WRITE_DAC, key.put()) ==
                   ERROR_SUCCESS &&
               RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor.get()) ==
                   ERROR_SUCCESS;
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
        for (const Allowed& entry : allowed_entries()) {
            if (entry.sid == sid && entry.mask == mask && (entry.flags & flags) == flags) {
                return true;
            }
        }
        return false;
    }

    // Every right the DACL's allowed entries give `sid`, together.
    ACCESS_MASK granted(const std::wstring& sid) const
    {
        ACCESS_MASK rights = 0;
        for (const Allowed& entry : allowed_entries()) {
            rights |= entry.sid == sid ? entry.mask : 0;
        }
        return rights;
    }

    // Owner and DACL as SDDL text, to compare a key's whole security before and after.
    std::wstring text() const
    {
        const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
        std::vector<BYTE> descriptor = read(what);
        base::UniqueLocalPtr<wchar_t> text;
        return !descriptor.empty() && ConvertSecurityDescriptorToStringSecurityDescriptorW(
                                          descriptor.data(), SDDL_REVISION_1, what, text.put(), nullptr)
                   ? std::wstring(text.get())
                   : L"<unreadable>";
    }

private:
    struct Allowed {
        std::wstring sid;
        ACCESS_MASK mask;
        BYTE flags;
    };

    std::vector<Allowed> allowed_entries() const
    {
        std::vector<BYTE> descriptor = read(DACL_SECURITY_INFORMATION);
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL dacl = nullptr;
        std::vector<Allowed> entries;
        if (descriptor.empty() || !GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) ||
            !present || dacl == nullptr) {
            return entries;
        }
        for (DWORD index = 0; index < dacl->AceCount; ++index) {
            void* ace = nullptr;
            if (GetAce(dacl, index, &ace) && static_cast<const ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
                auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
                entries.push_back({sid_text(&allowed->SidStart), allowed->Mask, allowed->Header.AceFlags});
            }
        }
        return entries;
    }

    std::vector<BYTE> read(SECURITY_INFORMATION what) const
    {
        base::UniqueRegKey key;
        DWORD size = 0;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey_.c_str(), 0, READ_CONTROL, key.put()) != ERROR_SUCCESS ||
            RegGetKeySecurity(key.get(), what, nullptr, &size) == ERROR_SUCCESS || size == 0) {
            return {};
        }
        std::vector<BYTE> buffer(size);
        return RegGetKeySecurity(key.get(), what, buffer.data(), &size) == ERROR_SUCCESS ? buffer : std::vector<BYTE>{};
    }

    static std::wstring sid_text(PSID sid)
    {
        base::UniqueLocalPtr<wchar_t> text;
        return ConvertSidToStringSidW(sid, text.put()) ? std::wstring(text.get()) : L"<bad sid>";
    }

    std::wstring subkey_;
};

}  // namespace qev::winsys::test
