#pragma once

#include "vpnr/serialized_param.h"

namespace qev::vpnr {

// The "win_reg" parameter: a value of the product's own registry key (the only key allowed, none
// of its subkeys), read or written as a WinRegTable. Type 0 is a REG_DWORD given as decimal text
// (read like std::stoi: leading blanks, a sign, the digits up to the first other character; text
// without digits or outside 32 bits is refused), type 1 a REG_SZ. False after logging why.
bool set_win_reg(const SerializedParamView& record);
bool get_win_reg(const SerializedParamView& record, SerializedParamReply& out);

}  // namespace qev::vpnr
