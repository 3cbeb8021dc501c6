#pragma once

#include "vpnr/serialized_param.h"

#include <string>
#include <string_view>

namespace qev::vpnr {

// The reply of "vpnr_bias_file_path" (the name in any case) for the stored `path`: a BiasFileTable
// with its directory and file name. For any other name, or a path whose characters the file-API
// code page cannot hold, `out` stays untouched and the result is false.
bool create_serialized_param(const std::wstring& path, std::string_view name, SerializedParamReply& out);

}  // namespace qev::vpnr
