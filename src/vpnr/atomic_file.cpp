#include "vpnr/atomic_file.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <algorithm>

namespace qev::vpnr {
namespace {

constexpr wchar_t kTemporarySuffix[] = L".qevtmp";
constexpr size_t kMaxWrite = 1 << 20;

// Unique among running writers: one thread replaces one file at a time.
std::wstring temporary_path(const std::wstring& path)
{
    return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetCurrentThreadId()) +
           kTemporarySuffix;
}

bool write_all(HANDLE file, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxWrite));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written != chunk) {
            return false;
        }
        bytes = bytes.subspan(chunk);
    }
    return true;
}

// The new content, complete and on the disk, under the temporary name.
bool write_temporary(const std::wstring& temporary, std::span<const std::uint8_t> bytes)
{
    // Not shared: nobody else can open, truncate or delete it while it is written.
    const base::UniqueFileHandle file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && write_all(file.get(), bytes) && FlushFileBuffers(file.get());
}

void delete_keeping_error(const std::wstring& path)
{
    const DWORD error = GetLastError();
    DeleteFileW(path.c_str());
    SetLastError(error);
}

}  // namespace

bool replace_file_atomically(const std::wstring& path, std::span<const std::uint8_t> bytes)
{
    const std::wstring temporary = temporary_path(path);
    if (!write_temporary(temporary, bytes) ||
        !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        delete_keeping_error(temporary);
        return false;
    }
    return true;
}

void remove_leftover_temporary_files(const std::wstring& directory)
{
    WIN32_FIND_DATAW entry{};
    const std::wstring pattern = directory + L"\\*" + kTemporarySuffix;
    const base::UniqueFindHandle find(FindFirstFileW(pattern.c_str(), &entry));
    if (!find) {
        return;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            DeleteFileW((directory + L"\\" + entry.cFileName).c_str());
        }
    } while (FindNextFileW(find.get(), &entry));
}

}  // namespace qev::vpnr
