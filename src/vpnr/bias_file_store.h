#pragma once

#include "vpnr/serialized_param.h"

#include <string>

namespace qev::vpnr {

// Stores the enrollment file of a "save_vpnr_bias_file" record at `path` once the enrollment
// worker has verified it; the file is replaced whole or not at all. False after logging why.
bool save_bias_file(const std::wstring& path, const SerializedParamView& record);

// Deletes the enrollment file a "delete_vpnr_bias_file" record names.
bool delete_bias_file(const SerializedParamView& record);

}  // namespace qev::vpnr
