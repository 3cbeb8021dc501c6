#pragma once

#include <string>

namespace qev::sysinfo {

// Converts text the way std::stoi does (leading white space, optional sign, decimal digits, the rest
// ignored), but throws with the texts callers report: std::invalid_argument("invalid stoi argument")
// when no number starts the text and std::out_of_range("stoi argument out of range") when it does not
// fit an int. The texts do not depend on the C++ runtime in use.
int ParseDecimal(const std::wstring& text);

}  // namespace qev::sysinfo
