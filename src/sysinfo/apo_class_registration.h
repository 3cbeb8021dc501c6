#pragma once

#include <string>

// The COM registration of the APO's classes under HKLM\SOFTWARE\Classes\CLSID.
namespace qev::sysinfo {

// True when the APO's stream effect class is registered globally (its InProcServer32 key opens).
bool IsApoClassRegistered();

// True when one of the APO class's driver keys registers the stream effect class.
bool IsApoClassRegisteredByDriver();

// Registers class_id globally as an in-process server at library_path with "ThreadingModel" "Both".
// A path inside System32 is written relative to %SystemRoot% (REG_EXPAND_SZ). The keys are made
// below the existing registrations key and keep the access they inherit. False, changing nothing,
// for a class id that is not a braced GUID, an empty path or a machine without the registrations key.
bool RegisterApoClass(const std::wstring& class_id, const std::wstring& library_path);

// Deletes the global registration tree of class_id; true when it is gone (or was never there).
bool DeleteApoClassRegistration(const std::wstring& class_id);

}  // namespace qev::sysinfo
