#include "vpnr/file_bytes.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace qev::vpnr {

std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::wstring& path)
{
    const base::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        return std::nullopt;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
        throw std::bad_alloc();
    }
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) {
            return std::nullopt;
        }
        done += read;
    }
    return bytes;
}

}  // namespace qev::vpnr
