#pragma once

#include <string>

namespace qev::vpnr {

// The user name of the active console session without any white space, as it appears in
// enrollment file and registry names; empty when no user can be found.
std::wstring console_user_name();

}  // namespace qev::vpnr
