#pragma once

#include <windows.h>

#include <string>

// Fixed identifiers of the APO package and the registry places it lives in.
namespace qev::sysinfo {

inline constexpr wchar_t kApoClassGuid[] = L"{5989FCE8-9CD0-467D-8A6A-5419E31529D4}";
inline constexpr wchar_t kSoftwareComponentClassGuid[] = L"{5C4C3332-344D-483C-8739-259E934C9CC8}";
inline constexpr GUID kApoClassId = {0x5989fce8, 0x9cd0, 0x467d, {0x8a, 0x6a, 0x54, 0x19, 0xe3, 0x15, 0x29, 0xd4}};
inline constexpr GUID kSoftwareComponentClassId = {
    0x5c4c3332, 0x344d, 0x483c, {0x87, 0x39, 0x25, 0x9e, 0x93, 0x4c, 0x9c, 0xc8}};
inline constexpr wchar_t kApoHardwareId[] = L"SWC\\VEN_QEV&CID_APO";
inline constexpr wchar_t kAudioServiceHardwareId[] = L"SWC\\VEN_QEV&AUDIOSERVICE";
// The APO's direction-specific stream effect, whose registration stands for the whole package.
inline constexpr wchar_t kApoStreamEffectClsid[] = L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}";
inline constexpr wchar_t kSoftwareDevicePrefix[] = L"SWD\\DRIVERENUM";

// Registry key paths under HKEY_LOCAL_MACHINE, built once.
struct ApoKeyPaths {
    std::wstring apo_class_key;         // the APO device setup class key
    std::wstring clsid_key;             // COM class registrations
    std::wstring software_devices_key;  // software-device enumeration key
};

const ApoKeyPaths& GetApoKeyPaths();

// True for a class id in registry form: a GUID in braces, any case.
bool IsBracedGuid(const std::wstring& text);

// "SOFTWARE\Classes\CLSID\<clsid>\InProcServer32".
std::wstring InProcServerKey(const std::wstring& clsid);

}  // namespace qev::sysinfo
