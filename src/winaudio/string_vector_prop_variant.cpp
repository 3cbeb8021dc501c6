#include "winaudio/string_vector_prop_variant.h"

#include <objbase.h>

#include <algorithm>

namespace qev::winaudio {

HRESULT InitStringVectorPropVariant(const std::vector<std::wstring>& strings, PROPVARIANT* value)
{
    if (value == nullptr) {
        return E_POINTER;
    }
    PropVariantInit(value);
    auto* elements = static_cast<LPWSTR*>(CoTaskMemAlloc(sizeof(LPWSTR) * std::max<size_t>(strings.size(), 1)));
    if (elements == nullptr) {
        return E_OUTOFMEMORY;
    }
    value->vt = VT_VECTOR | VT_LPWSTR;
    value->calpwstr.pElems = elements;
    value->calpwstr.cElems = 0;
    for (const std::wstring& text : strings) {
        auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
        if (copy == nullptr) {
            PropVariantClear(value);  // frees the strings copied so far
            return E_OUTOFMEMORY;
        }
        std::copy(text.c_str(), text.c_str() + text.size() + 1, copy);
        elements[value->calpwstr.cElems++] = copy;
    }
    return S_OK;
}

}  // namespace qev::winaudio
