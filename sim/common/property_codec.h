#pragma once

#include <windows.h>

#include <propidl.h>
#include <propsys.h>

#include <optional>
#include <string>

#include "reg_key.h"

namespace qevsim {

// How a property value is kept in the registry, as Windows keeps endpoint properties:
//   VT_LPWSTR (and VT_BSTR)      REG_SZ
//   VT_VECTOR|VT_LPWSTR           REG_MULTI_SZ
//   VT_UI4                        REG_DWORD
//   anything else                 REG_BINARY: WORD vt, WORD 0, DWORD payload size, payload
//                                 (VT_BLOB payload is the blob bytes, VT_CLSID the 16-byte GUID,
//                                 scalars their little-endian bytes), so the type survives.
// VT_EMPTY is never stored: writing it removes the value.
class PropertyCodec {
public:
    static constexpr std::size_t kHeaderSize = 8;

    // The registry form of value; E_INVALIDARG for a type the store does not keep.
    static HRESULT encode(const PROPVARIANT& value, RegValue* out);
    // A PROPVARIANT (caller clears it) from a stored value.
    static HRESULT decode(const RegValue& stored, PROPVARIANT* out);

    // "{fmtid},pid" with a lower-case GUID, the value name Windows uses.
    static std::wstring valueName(const PROPERTYKEY& key);
    static std::optional<PROPERTYKEY> parseValueName(const std::wstring& name);

    // Readable text of a stored value (qevsim show).
    static std::wstring describe(const RegValue& stored);
};

}  // namespace qevsim
