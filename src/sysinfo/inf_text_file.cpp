#include "sysinfo/inf_text_file.h"

#include "base/unique_handle.h"
#include "base/utf8.h"

#include <windows.h>

namespace qev::sysinfo {
namespace {

// Far above any INF; larger files are not INF files and are not loaded into memory.
constexpr LONGLONG kMaxInfBytes = 16 * 1024 * 1024;

std::optional<std::string> read_bytes(const std::wstring& path)
{
    base::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxInfBytes) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return std::nullopt;
    }
    bytes.resize(read);
    return bytes;
}

std::wstring decode_utf16(const std::string& bytes, size_t offset, bool big_endian)
{
    std::wstring text;
    text.reserve((bytes.size() - offset) / 2);
    for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<wchar_t>(big_endian ? (first << 8) | second : (second << 8) | first));
    }
    return text;
}

bool starts_with_bytes(const std::string& bytes, const char* prefix, size_t length)
{
    return bytes.size() >= length && bytes.compare(0, length, prefix, length) == 0;
}

std::wstring decode(const std::string& bytes)
{
    if (starts_with_bytes(bytes, "\xFF\xFE", 2)) {
        return decode_utf16(bytes, 2, false);
    }
    if (starts_with_bytes(bytes, "\xFE\xFF", 2)) {
        return decode_utf16(bytes, 2, true);
    }
    if (starts_with_bytes(bytes, "\xEF\xBB\xBF", 3)) {
        return base::wide_from_utf8(std::string_view(bytes).substr(3));
    }
    // Not UTF-8: the ANSI code page, as Windows reads an INF without a byte-order mark.
    return base::wide_from_code_page(bytes, CP_UTF8, MB_ERR_INVALID_CHARS)
        .value_or(base::wide_from_code_page(bytes, CP_ACP, 0).value_or(std::wstring()));
}

std::vector<std::wstring> split_lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::optional<std::vector<std::wstring>> ReadInfLines(const std::wstring& path)
{
    const std::optional<std::string> bytes = read_bytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    return split_lines(decode(*bytes));
}

}  // namespace qev::sysinfo
