#pragma once

#include "vpnr/serialized_param.h"

#include <string>

namespace qev::vpnr {

// The enrollment file a BiasFileTable names: only the last component of its file name is kept,
// it must be a plain Windows file name ending exactly in ".bin", and it always lies directly in
// the enrollment directory. False, with the reason logged, otherwise.
bool extract_vpnr_bias_file_path(const SerializedParamView& record, std::wstring& path);

}  // namespace qev::vpnr
