#pragma once

#include <string>

namespace qev::effects {

// Installs the APO of the endpoint's direction into its FX lists (the installation table of the
// direction's variant), prepares a USB or Bluetooth endpoint's lists, restores the product's
// backup of the settings, writes the HKR references in mode 2 and restarts a USB or Bluetooth
// endpoint. False when nothing could be installed (mode unknown, direction not served, no key).
bool InstallApo(const std::wstring& endpointId);

}  // namespace qev::effects
