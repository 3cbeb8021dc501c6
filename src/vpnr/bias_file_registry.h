#pragma once

#include <string>

namespace qev::vpnr {

// Records the tag of a per-device enrollment file ("<user>_<tag>_<device>_..." in any folder) as the
// user's last file on that device: value "last" of the key VPNR\<user>\<device> under the product
// key. Names with fewer than four "_"-separated parts are not recorded.
void record_bias_file_in_registry(const std::wstring& path);

}  // namespace qev::vpnr
