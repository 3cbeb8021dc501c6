#include "e2e_paths.h"

#include <windows.h>

#include <algorithm>

#include "base/utf8.h"

#ifndef QEV_BUILD_DIR_UNIX
#error "QEV_BUILD_DIR_UNIX must name the build tree (set by tests/e2e/CMakeLists.txt)"
#endif

namespace qev::e2e {

std::wstring build_file(std::wstring_view relative)
{
    // Wine maps drive Z: to the Unix root.
    std::wstring path = L"Z:" + base::wide_from_utf8(QEV_BUILD_DIR_UNIX) + L"/" + std::wstring(relative);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

}  // namespace qev::e2e
