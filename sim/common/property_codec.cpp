#include "property_codec.h"

#include <objbase.h>

#include <cstring>
#include <cwchar>

namespace qevsim {

namespace {

// Payload size of the fixed-size types kept in binary form; 0 for any other type.
std::size_t scalarSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_FILETIME:
        return 8;
    default:
        return 0;
    }
}

std::vector<std::uint8_t> binaryForm(VARTYPE vt, const void* payload, std::size_t size)
{
    std::vector<std::uint8_t> data(PropertyCodec::kHeaderSize + size);
    const WORD type = vt;
    const DWORD length = static_cast<DWORD>(size);
    std::memcpy(data.data(), &type, sizeof(type));
    std::memcpy(data.data() + 4, &length, sizeof(length));
    if (size != 0) {
        std::memcpy(data.data() + PropertyCodec::kHeaderSize, payload, size);
    }
    return data;
}

HRESULT copyString(const std::wstring& text, LPWSTR* out)
{
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(copy, text.c_str(), bytes);
    *out = copy;
    return S_OK;
}

HRESULT decodeStringList(const std::vector<std::wstring>& items, PROPVARIANT* out)
{
    auto* elements = static_cast<LPWSTR*>(::CoTaskMemAlloc(sizeof(LPWSTR) * (items.size() + 1)));
    if (elements == nullptr) {
        return E_OUTOFMEMORY;
    }
    out->vt = VT_VECTOR | VT_LPWSTR;
    out->calpwstr.pElems = elements;
    out->calpwstr.cElems = 0;
    for (const auto& item : items) {
        const HRESULT hr = copyString(item, &elements[out->calpwstr.cElems]);
        if (FAILED(hr)) {
            return hr;  // the caller's PropVariantClear frees what was copied
        }
        ++out->calpwstr.cElems;
    }
    return S_OK;
}

HRESULT decodeBinary(const std::vector<std::uint8_t>& data, PROPVARIANT* out)
{
    WORD vt = VT_EMPTY;
    DWORD length = 0;
    bool framed = data.size() >= PropertyCodec::kHeaderSize;
    if (framed) {
        std::memcpy(&vt, data.data(), sizeof(vt));
        std::memcpy(&length, data.data() + 4, sizeof(length));
        framed = length == data.size() - PropertyCodec::kHeaderSize &&
                 (scalarSize(vt) == length || (vt == VT_CLSID && length == sizeof(GUID)) || vt == VT_BLOB);
    }
    const std::uint8_t* payload = data.data() + PropertyCodec::kHeaderSize;
    if (!framed) {
        // Unframed binary data reads as a blob of its raw bytes.
        vt = VT_BLOB;
        payload = data.data();
        length = static_cast<DWORD>(data.size());
    }
    if (vt == VT_CLSID) {
        auto* guid = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
        if (guid == nullptr) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(guid, payload, sizeof(GUID));
        out->vt = VT_CLSID;
        out->puuid = guid;
        return S_OK;
    }
    if (vt == VT_BLOB) {
        auto* bytes = static_cast<BYTE*>(::CoTaskMemAlloc(length == 0 ? 1 : length));
        if (bytes == nullptr) {
            return E_OUTOFMEMORY;
        }
        if (length != 0) {
            std::memcpy(bytes, payload, length);
        }
        out->vt = VT_BLOB;
        out->blob.cbSize = length;
        out->blob.pBlobData = bytes;
        return S_OK;
    }
    out->vt = vt;
    std::memcpy(&out->bVal, payload, length);
    return S_OK;
}

}  // namespace

HRESULT PropertyCodec::encode(const PROPVARIANT& value, RegValue* out)
{
    switch (value.vt) {
    case VT_LPWSTR:
        out->type = REG_SZ;
        out->data = stringBytes(value.pwszVal == nullptr ? L"" : value.pwszVal);
        return S_OK;
    case VT_BSTR:
        out->type = REG_SZ;
        out->data = stringBytes(value.bstrVal == nullptr ? L"" : value.bstrVal);
        return S_OK;
    case VT_VECTOR | VT_LPWSTR: {
        std::vector<std::wstring> items;
        for (ULONG i = 0; i < value.calpwstr.cElems; ++i) {
            const LPWSTR item = value.calpwstr.pElems[i];
            items.emplace_back(item == nullptr ? L"" : item);
        }
        out->type = REG_MULTI_SZ;
        out->data = multiStringBytes(items);
        return S_OK;
    }
    case VT_UI4: {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value.ulVal);
        out->type = REG_DWORD;
        out->data.assign(bytes, bytes + sizeof(ULONG));
        return S_OK;
    }
    case VT_CLSID:
        if (value.puuid == nullptr) {
            return E_INVALIDARG;
        }
        out->type = REG_BINARY;
        out->data = binaryForm(VT_CLSID, value.puuid, sizeof(GUID));
        return S_OK;
    case VT_BLOB:
        if (value.blob.cbSize != 0 && value.blob.pBlobData == nullptr) {
            return E_INVALIDARG;
        }
        out->type = REG_BINARY;
        out->data = binaryForm(VT_BLOB, value.blob.pBlobData, value.blob.cbSize);
        return S_OK;
    default:
        break;
    }
    const std::size_t size = scalarSize(value.vt);
    if (size == 0) {
        return E_INVALIDARG;
    }
    out->type = REG_BINARY;
    out->data = binaryForm(value.vt, &value.bVal, size);
    return S_OK;
}

HRESULT PropertyCodec::decode(const RegValue& stored, PROPVARIANT* out)
{
    PropVariantInit(out);
    switch (stored.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const HRESULT hr = copyString(bytesToString(stored.data), &out->pwszVal);
        if (SUCCEEDED(hr)) {
            out->vt = VT_LPWSTR;
        }
        return hr;
    }
    case REG_MULTI_SZ:
        return decodeStringList(bytesToMultiString(stored.data), out);
    case REG_DWORD:
        if (stored.data.size() != sizeof(DWORD)) {
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        }
        out->vt = VT_UI4;
        std::memcpy(&out->ulVal, stored.data.data(), sizeof(DWORD));
        return S_OK;
    case REG_QWORD:
        if (stored.data.size() != sizeof(ULONGLONG)) {
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        }
        out->vt = VT_UI8;
        std::memcpy(&out->uhVal, stored.data.data(), sizeof(ULONGLONG));
        return S_OK;
    default:
        return decodeBinary(stored.data, out);
    }
}

std::wstring PropertyCodec::valueName(const PROPERTYKEY& key)
{
    wchar_t text[64];
    const GUID& g = key.fmtid;
    std::swprintf(text, 64, L"{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x},%lu",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7], static_cast<unsigned long>(key.pid));
    return text;
}

std::optional<PROPERTYKEY> PropertyCodec::parseValueName(const std::wstring& name)
{
    const auto comma = name.find(L',');
    if (comma != 38 || comma + 1 >= name.size() || name.size() - comma - 1 > 10) {
        return std::nullopt;
    }
    PROPERTYKEY key{};
    if (FAILED(::CLSIDFromString(name.substr(0, comma).c_str(), &key.fmtid))) {
        return std::nullopt;
    }
    unsigned long long pid = 0;
    for (std::size_t i = comma + 1; i < name.size(); ++i) {
        if (name[i] < L'0' || name[i] > L'9') {
            return std::nullopt;
        }
        pid = pid * 10 + static_cast<unsigned>(name[i] - L'0');
    }
    if (pid > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    key.pid = static_cast<DWORD>(pid);
    return key;
}

std::wstring PropertyCodec::describe(const RegValue& stored)
{
    PROPVARIANT value;
    if (FAILED(decode(stored, &value))) {
        PropVariantClear(&value);
        return L"(unreadable)";
    }
    wchar_t number[64];
    std::wstring text;
    switch (value.vt) {
    case VT_LPWSTR:
        text = L"\"" + std::wstring(value.pwszVal) + L"\"";
        break;
    case VT_VECTOR | VT_LPWSTR:
        text = L"[";
        for (ULONG i = 0; i < value.calpwstr.cElems; ++i) {
            text += (i == 0 ? L"" : L", ") + std::wstring(value.calpwstr.pElems[i]);
        }
        text += L"]";
        break;
    case VT_UI4:
        std::swprintf(number, 64, L"dword %lu", static_cast<unsigned long>(value.ulVal));
        text = number;
        break;
    case VT_I4:
        std::swprintf(number, 64, L"i4 %ld", static_cast<long>(value.lVal));
        text = number;
        break;
    case VT_BLOB:
        std::swprintf(number, 64, L"blob of %lu bytes", static_cast<unsigned long>(value.blob.cbSize));
        text = number;
        break;
    default:
        std::swprintf(number, 64, L"vt %u", static_cast<unsigned>(value.vt));
        text = number;
        break;
    }
    PropVariantClear(&value);
    return text;
}

}  // namespace qevsim
