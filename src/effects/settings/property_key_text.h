#pragma once

#include <windows.h>

#include <propsys.h>

#include <string>

namespace qev::effects {

// Converts a property key from its text form ("{fmtid},pid"); a failure logs
// "Failed to convert to property key".
bool PropertyKeyFromText(const std::wstring& text, PROPERTYKEY& key);

// The text form of a property key: its format id in braces (upper case), "," and the decimal id.
std::wstring PropertyKeyToText(const PROPERTYKEY& key);

}  // namespace qev::effects
