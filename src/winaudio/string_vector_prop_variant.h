#pragma once

#include <windows.h>

#include <propidl.h>

#include <string>
#include <vector>

namespace qev::winaudio {

// Fills an empty PROPVARIANT with a VT_VECTOR | VT_LPWSTR copy of the strings, in order, in task
// memory (what InitPropVariantFromStringVector does; mingw-w64 does not declare that function).
// On failure the PROPVARIANT stays empty.
HRESULT InitStringVectorPropVariant(const std::vector<std::wstring>& strings, PROPVARIANT* value);

}  // namespace qev::winaudio
