#pragma once

#include <string>

// What SetupAPI knows about the installed APO package's software devices.
namespace qev::sysinfo {

// Full driver-store path of the INF of the present APO device ("SWC\VEN_QEV&CID_APO"); empty on failure.
std::wstring GetApoInfPath();

// Driver version text of the present APO device; empty on failure.
std::wstring GetApoDriverVersion();

// Driver version text of the present audio service component ("SWC\VEN_QEV&AUDIOSERVICE"); empty on failure.
std::wstring GetAudioServiceDriverVersion();

}  // namespace qev::sysinfo
