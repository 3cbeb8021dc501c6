#pragma once

#include <mmdeviceapi.h>

#include <string>

namespace qev::vpnr {

// The identifier of an endpoint's device in enrollment file and registry names: Base64 of the UTF-8
// identity (USB: vendor and product id; Bluetooth: vendor and product id, or the interface name;
// otherwise the friendly name), "/" made "-", at most 30 characters. Empty when there is none.
std::wstring device_identifier(IMMDevice* endpoint);

}  // namespace qev::vpnr
