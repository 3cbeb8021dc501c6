#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace qev::winsys {

// Failure of the path-based registry functions; carries one wide message.
class RegistryException : public std::exception {
public:
    explicit RegistryException(std::wstring message);

    // prefix + path, then ": " and the system's text for `error`.
    static RegistryException with_error(const std::wstring& prefix, const std::wstring& path, DWORD error);

    const std::wstring& message() const noexcept { return message_; }
    // The message in UTF-8.
    const char* what() const noexcept override { return narrow_.c_str(); }

private:
    std::wstring message_;
    std::string narrow_;
};

}  // namespace qev::winsys
