#pragma once

#include <string>
#include <vector>

// Facts read from an APO driver package's INF file.
namespace qev::sysinfo {

// True when a line of the INF contains "HKR,AudioEngine" (any case): the package registers its
// effects with the audio engine's per-APO stores. False, with a log line, when the file cannot be read.
bool InfHasAudioEngine(const std::wstring& inf_path);

// Appends to out the class ids the INF registers as in-process COM servers: the values, in the
// [Strings] section, of the tokens used as %token%\InprocServer32. Values already in out are skipped
// (any case). False, with a log line, when the file cannot be read.
bool GetInfClassIds(const std::wstring& inf_path, std::vector<std::wstring>& out);

// The library the INF registers as in-process server (the data of its first "...\InprocServer32"
// line), with the driver-store directory (%13%, the INF's own folder) and the system directory (%11%)
// put in. Empty when the INF cannot be read or registers no server.
std::wstring GetInfServerPath(const std::wstring& inf_path);

}  // namespace qev::sysinfo
