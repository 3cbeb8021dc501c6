#pragma once

#include <cstddef>
#include <string>
#include <vector>

// CLSID lists as the composite effect values hold them; CLSIDs compare case-insensitively.
namespace qev::effects {

bool ContainsClsid(const std::vector<std::wstring>& list, const std::wstring& clsid);
bool ContainsAnyClsid(const std::vector<std::wstring>& list, const std::vector<std::wstring>& clsids);
// Removes every entry equal to one of `clsids`; returns how many were removed.
std::size_t RemoveClsids(std::vector<std::wstring>& list, const std::vector<std::wstring>& clsids);

}  // namespace qev::effects
