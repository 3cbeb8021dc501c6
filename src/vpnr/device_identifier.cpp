#include "vpnr/device_identifier.h"

#include "base/logging.h"
#include "vpnr/code_page_text.h"
#include "winaudio/endpoint_queries.h"

#include <windows.h>

#include <wincrypt.h>

#include <algorithm>
#include <cwctype>

namespace qev::vpnr {
namespace {

using Microsoft::WRL::ComPtr;

constexpr size_t kIdentifierLength = 30;

// Up to `count` characters after the first `marker` (any case); empty when it is not there.
std::wstring after(const std::wstring& text, const std::wstring& marker, size_t count)
{
    const auto found = std::search(text.begin(), text.end(), marker.begin(), marker.end(),
                                   [](wchar_t a, wchar_t b) { return std::towupper(a) == std::towupper(b); });
    if (found == text.end()) {
        return std::wstring();
    }
    return std::wstring(found + static_cast<std::ptrdiff_t>(marker.size()), text.end()).substr(0, count);
}

std::wstring friendly_name(IMMDevice* endpoint, bool interface_name)
{
    std::wstring name;
    const bool read = interface_name ? qev::winaudio::GetInterfaceFriendlyName(ComPtr<IMMDevice>(endpoint), name)
                                     : qev::winaudio::GetFriendlyName(ComPtr<IMMDevice>(endpoint), name);
    return read ? name : std::wstring();
}

std::wstring identity_of(IMMDevice* endpoint)
{
    std::wstring hardware_id;
    if (!qev::winaudio::GetHardwareId(ComPtr<IMMDevice>(endpoint), hardware_id)) {
        return friendly_name(endpoint, false);
    }
    if (qev::winaudio::IsUsbHardwareId(hardware_id)) {
        return after(hardware_id, L"VID_", 4) + after(hardware_id, L"PID_", 4);
    }
    if (qev::winaudio::IsBluetoothHardwareId(hardware_id)) {
        const std::wstring vendor = after(hardware_id, L"VID&", 8);
        const std::wstring product = after(hardware_id, L"PID&", 4);
        return !vendor.empty() && !product.empty() ? vendor + product : friendly_name(endpoint, true);
    }
    return friendly_name(endpoint, false);
}

std::wstring identifier_of_identity(const std::wstring& identity)
{
    std::string bytes;
    if (identity.empty() || !wide_to_narrow(CP_UTF8, identity, bytes)) {
        return std::wstring();
    }
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    const auto size = static_cast<DWORD>(bytes.size());
    constexpr DWORD kFlags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD length = 0;
    std::wstring encoded;
    if (CryptBinaryToStringW(data, size, kFlags, nullptr, &length) && length > 0) {
        encoded.resize(length);
        if (!CryptBinaryToStringW(data, size, kFlags, encoded.data(), &length)) {
            encoded.clear();
        }
    }
    if (encoded.empty()) {
        base::log_printf("Failed to crypt to string\n");
        return std::wstring();
    }
    encoded.resize(wcsnlen(encoded.c_str(), encoded.size()));
    std::replace(encoded.begin(), encoded.end(), L'/', L'-');
    return encoded.substr(0, kIdentifierLength);
}

}  // namespace

std::wstring device_identifier(IMMDevice* endpoint)
{
    return identifier_of_identity(identity_of(endpoint));
}

}  // namespace qev::vpnr
