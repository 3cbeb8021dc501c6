#pragma once

#include <string>

namespace qev::sysinfo {

// Directory of the library that serves the COM class class_id: from its global registration
// (HKLM\SOFTWARE\Classes\CLSID\<class_id>\InProcServer32) when that exists, otherwise from the newest
// APO driver (latest date, then highest version) whose description contains provider_word and which
// registers the class. Empty when none is found.
std::wstring FindApoLibraryDirectory(const std::wstring& class_id, const std::wstring& provider_word);

}  // namespace qev::sysinfo
