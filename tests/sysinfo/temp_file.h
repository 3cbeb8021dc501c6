#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace qev::sysinfo::test {

// A file in the temporary directory holding the given bytes, deleted at the end of the test.
class TempFile {
public:
    TempFile(const std::wstring& name, const std::string& bytes)
        : path_((std::filesystem::temp_directory_path() /
                 (L"qevtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name))
                    .wstring())
    {
        std::ofstream(std::filesystem::path(path_), std::ios::binary) << bytes;
    }
    ~TempFile() { DeleteFileW(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// Text as UTF-16LE bytes with a byte-order mark, as INF files are often stored.
inline std::string Utf16WithBom(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

inline std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

}  // namespace qev::sysinfo::test
