#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qev::sysinfo {

// Appends "SWD\DRIVERENUM\<instance>" for every software device of the APO class that has a
// "Device Parameters" key and whose instance name the predicate accepts. False when the software-device
// enumeration key cannot be read.
bool ListApoSoftwareDevices(const std::function<bool(const std::wstring&)>& accept_instance,
                            std::vector<std::wstring>& out);

}  // namespace qev::sysinfo
