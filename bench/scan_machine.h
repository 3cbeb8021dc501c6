#pragma once

#include <cstddef>
#include <string>

namespace qev::bench {

// A simulated machine (qevsim .reg text) of `endpoints` endpoints, capture and render in turn: a
// quarter listed codec endpoints carrying the APO, a quarter excluded Stereo Mix endpoints carrying
// it (each on a codec device of its own, with the driver's FX key), half eligible endpoints; all
// active, none USB or Bluetooth (a restart would add a fixed 0.5 s wait per endpoint).
// `apoPackage` is appended as it is: the APO's software devices and driver store.
std::string ScanMachineText(std::size_t endpoints, const std::string& apoPackage);

}  // namespace qev::bench
