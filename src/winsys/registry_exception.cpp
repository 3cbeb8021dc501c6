#include "winsys/registry_exception.h"

#include "winsys/system_error_text.h"

namespace qev::winsys {

namespace {

std::string to_utf8(const std::wstring& text)
{
    if (text.empty()) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

}  // namespace

RegistryException::RegistryException(std::wstring message)
    : message_(std::move(message)), narrow_(to_utf8(message_))
{
}

RegistryException RegistryException::with_error(const std::wstring& prefix, const std::wstring& path, DWORD error)
{
    return RegistryException(prefix + path + L": " + system_error_text(error));
}

}  // namespace qev::winsys
