#pragma once

#include "vpnr/serialized_param.h"

#include "serialized_param_generated.h"

namespace qev::vpnr {

// The payload's root table once the FlatBuffers verifier accepts it (depth 64, 1,000,000 tables);
// otherwise null after "Failed to verify serialized param: <name>".
const wire::BiasFileTable* verified_bias_file_table(const SerializedParamView& record);
const wire::WinRegTable* verified_win_reg_table(const SerializedParamView& record);

}  // namespace qev::vpnr
