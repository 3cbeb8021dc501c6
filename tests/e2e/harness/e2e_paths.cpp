#include "e2e_paths.h"

#include <windows.h>

#include <algorithm>

#ifndef QEV_BUILD_DIR_UNIX
#error "QEV_BUILD_DIR_UNIX must name the build tree (set by tests/e2e/CMakeLists.txt)"
#endif

namespace qev::e2e {

namespace {

std::wstring widen(std::string_view text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    }
    return wide;
}

}  // namespace

std::wstring build_file(std::wstring_view relative)
{
    // Wine maps drive Z: to the Unix root.
    std::wstring path = L"Z:" + widen(QEV_BUILD_DIR_UNIX) + L"/" + std::wstring(relative);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring server_exe_path()
{
    return build_file(L"src/app/qEvSwServer.exe");
}

std::wstring qevlog_exe_path()
{
    return build_file(L"tools/qevlog.exe");
}

}  // namespace qev::e2e
