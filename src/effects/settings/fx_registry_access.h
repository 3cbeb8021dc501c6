#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qev::effects {

// The registry operations of effect control, by full key path ("HKEY_LOCAL_MACHINE\..."). Each
// returns true on success; a registry failure is written as "exp: " and its text to the wide
// standard output and gives false, leaving the outputs untouched.
class FxRegistryAccess {
public:
    // Writes first make Administrators the owner of the existing key and grant them full access.
    static bool RegWriteString(const std::wstring& key, const std::wstring& name, const std::wstring& value);
    static bool RegWriteMultiString(const std::wstring& key, const std::wstring& name,
                                    const std::vector<std::wstring>& values);
    static bool RegWriteDword(const std::wstring& key, const std::wstring& name, DWORD value);

    // Creates the key and any missing parent; new keys inherit their parent's access.
    static bool RegCreateKey(const std::wstring& key);
    // Makes Administrators the owner of an existing key and grants them full access.
    static bool RegRepairKey(const std::wstring& key);

    static bool RegKeyExists(const std::wstring& key);
    static bool RegValueExists(const std::wstring& key, const std::wstring& name);

    static bool RegReadDword(const std::wstring& key, const std::wstring& name, DWORD& value);
    // A missing value reads as the text "ERROR_FILE_NOT_FOUND" (compare without case).
    static bool RegReadString(const std::wstring& key, const std::wstring& name, std::wstring& value);
    static bool RegReadMultiString(const std::wstring& key, const std::wstring& name,
                                   std::vector<std::wstring>& values);
    static bool RegEnumSubKeys(const std::wstring& key, std::vector<std::wstring>& names);
    static bool RegDeleteValue(const std::wstring& key, const std::wstring& name);

    // Copies the source tree into the destination (either created where missing), then grants
    // Administrators full access to the destination.
    static bool RegCopyKeyTree(const std::wstring& destination, const std::wstring& source);
};

}  // namespace qev::effects
