#include "winsys/registry_exception.h"

#include "base/utf8.h"
#include "winsys/system_error_text.h"

namespace qev::winsys {

RegistryException::RegistryException(std::wstring message)
    : message_(std::move(message)), narrow_(base::utf8_from_wide(message_))
{}

RegistryException RegistryException::with_error(const std::wstring& prefix, const std::wstring& path, DWORD error)
{
    return RegistryException(prefix + path + L": " + system_error_text(error));
}

}  // namespace qev::winsys
