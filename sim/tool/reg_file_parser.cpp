#include "reg_file_parser.h"

#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "base/utf8.h"
#include "property_codec.h"
#include "reg_key.h"

namespace qevsim {

namespace {

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text) {
        out += (c < 0x80) ? static_cast<char>(c) : '?';
    }
    return out;
}

std::wstring trim(const std::wstring& text)
{
    const auto first = text.find_first_not_of(L" \t\r");
    if (first == std::wstring::npos) {
        return L"";
    }
    const auto last = text.find_last_not_of(L" \t\r");
    return text.substr(first, last - first + 1);
}

bool startsWithNoCase(const std::wstring& text, const std::wstring& prefix)
{
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// A logical line: physical lines joined where one ends in "\" (hex continuation).
struct Line {
    int number;
    std::wstring text;
};

std::vector<Line> logicalLines(const std::wstring& text)
{
    std::vector<Line> lines;
    int number = 0;
    std::size_t start = 0;
    std::wstring pending;
    int pendingLine = 0;
    while (start <= text.size()) {
        const auto end = text.find(L'\n', start);
        std::wstring physical = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        ++number;
        physical = trim(physical);
        if (pending.empty()) {
            pendingLine = number;
        }
        if (!physical.empty() && physical.back() == L'\\' && physical.find(L"=hex") != std::wstring::npos) {
            pending += physical.substr(0, physical.size() - 1);
        } else if (!pending.empty() && !physical.empty() && physical.back() == L'\\' && physical.front() != L'"' &&
                   physical.front() != L'[') {
            pending += physical.substr(0, physical.size() - 1);
        } else {
            pending += physical;
            lines.push_back({pendingLine, pending});
            pending.clear();
        }
        if (end == std::wstring::npos) {
            break;
        }
        start = end + 1;
    }
    if (!pending.empty()) {
        lines.push_back({pendingLine, pending});
    }
    return lines;
}

void parseKeyPath(int line, const std::wstring& full, RegOperation* op)
{
    const auto slash = full.find(L'\\');
    const std::wstring rootName = full.substr(0, slash);
    if (equalsNoCase(rootName, L"HKEY_LOCAL_MACHINE") || equalsNoCase(rootName, L"HKLM")) {
        op->root = HKEY_LOCAL_MACHINE;
    } else if (equalsNoCase(rootName, L"HKEY_CURRENT_USER") || equalsNoCase(rootName, L"HKCU")) {
        op->root = HKEY_CURRENT_USER;
    } else {
        throw RegFileError(line, "unsupported root key \"" + narrow(rootName) + "\"");
    }
    if (slash == std::wstring::npos || slash + 1 >= full.size()) {
        throw RegFileError(line, "a key below the root is needed");
    }
    op->path = full.substr(slash + 1);
    if (op->path.find(L"\\\\") != std::wstring::npos || op->path.back() == L'\\') {
        throw RegFileError(line, "empty key name in \"" + narrow(full) + "\"");
    }
}

// A quoted string starting at pos (at the opening quote); pos ends after the closing quote.
std::wstring quoted(int line, const std::wstring& text, std::size_t* pos)
{
    if (*pos >= text.size() || text[*pos] != L'"') {
        throw RegFileError(line, "expected a quoted string");
    }
    std::wstring out;
    for (std::size_t i = *pos + 1; i < text.size(); ++i) {
        if (text[i] == L'\\') {
            if (i + 1 >= text.size() || (text[i + 1] != L'\\' && text[i + 1] != L'"')) {
                throw RegFileError(line, "bad escape in string (use \\\\ or \\\")");
            }
            out += text[++i];
        } else if (text[i] == L'"') {
            *pos = i + 1;
            return out;
        } else {
            out += text[i];
        }
    }
    throw RegFileError(line, "unterminated string");
}

std::vector<std::uint8_t> hexBytes(int line, const std::wstring& text)
{
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    const std::wstring compact = [&] {
        std::wstring out;
        for (const wchar_t c : text) {
            if (!std::iswspace(c)) {
                out += c;
            }
        }
        return out;
    }();
    while (i < compact.size()) {
        if (i + 2 > compact.size() || !std::iswxdigit(compact[i]) || !std::iswxdigit(compact[i + 1])) {
            throw RegFileError(line, "bad hex byte list");
        }
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(compact.substr(i, 2), nullptr, 16)));
        i += 2;
        if (i < compact.size()) {
            if (compact[i] != L',') {
                throw RegFileError(line, "hex bytes must be separated by commas");
            }
            ++i;
            if (i == compact.size()) {
                throw RegFileError(line, "hex byte list ends with a comma");
            }
        }
    }
    return bytes;
}

DWORD hexNumber(int line, const std::wstring& text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits) {
        throw RegFileError(line, "bad hexadecimal number \"" + narrow(text) + "\"");
    }
    for (const wchar_t c : text) {
        if (!std::iswxdigit(c)) {
            throw RegFileError(line, "bad hexadecimal number \"" + narrow(text) + "\"");
        }
    }
    return static_cast<DWORD>(std::stoul(text, nullptr, 16));
}

std::vector<std::uint8_t> dwordBytes(DWORD value)
{
    const auto* b = reinterpret_cast<const std::uint8_t*>(&value);
    return std::vector<std::uint8_t>(b, b + sizeof(value));
}

void parseData(int line, const std::wstring& data, RegOperation* op)
{
    if (data == L"-") {
        op->kind = RegOperation::Kind::DeleteValue;
        return;
    }
    op->kind = RegOperation::Kind::SetValue;
    if (!data.empty() && data.front() == L'"') {
        std::size_t pos = 0;
        const std::wstring value = quoted(line, data, &pos);
        if (pos != data.size()) {
            throw RegFileError(line, "text after the closing quote");
        }
        op->type = REG_SZ;
        op->data = stringBytes(value);
    } else if (startsWithNoCase(data, L"dword:")) {
        op->type = REG_DWORD;
        op->data = dwordBytes(hexNumber(line, data.substr(6), 8));
    } else if (startsWithNoCase(data, L"hex:")) {
        op->type = REG_BINARY;
        op->data = hexBytes(line, data.substr(4));
    } else if (startsWithNoCase(data, L"hex(")) {
        const auto close = data.find(L"):");
        if (close == std::wstring::npos) {
            throw RegFileError(line, "expected hex(type):");
        }
        op->type = hexNumber(line, data.substr(4, close - 4), 8);
        op->data = hexBytes(line, data.substr(close + 2));
    } else if (startsWithNoCase(data, L"multi:")) {
        std::vector<std::wstring> items;
        std::size_t pos = 6;
        while (pos < data.size()) {
            items.push_back(quoted(line, data, &pos));
            if (items.back().empty()) {
                // An empty item would end the stored list there.
                throw RegFileError(line, "multi: strings must not be empty");
            }
            if (pos < data.size()) {
                if (data[pos] != L',') {
                    throw RegFileError(line, "multi: strings must be separated by commas");
                }
                ++pos;
            }
        }
        op->type = REG_MULTI_SZ;
        op->data = multiStringBytes(items);
    } else if (startsWithNoCase(data, L"i4:")) {
        const std::wstring number = data.substr(3);
        std::size_t used = 0;
        long value = 0;
        try {
            value = std::stol(number, &used, 10);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != number.size()) {
            throw RegFileError(line, "bad i4 number \"" + narrow(number) + "\"");
        }
        PROPVARIANT pv;
        PropVariantInit(&pv);
        pv.vt = VT_I4;
        pv.lVal = value;
        RegValue stored;
        PropertyCodec::encode(pv, &stored);
        op->type = stored.type;
        op->data = stored.data;
    } else {
        throw RegFileError(line, "unknown value data \"" + narrow(data) + "\"");
    }
}

void parseValueLine(int line, const std::wstring& text, RegOperation* op)
{
    std::size_t pos = 0;
    if (text.front() == L'@') {
        pos = 1;
    } else {
        op->name = quoted(line, text, &pos);
    }
    while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t')) {
        ++pos;
    }
    if (pos >= text.size() || text[pos] != L'=') {
        throw RegFileError(line, "expected = after the value name");
    }
    parseData(line, trim(text.substr(pos + 1)), op);
}

}  // namespace

RegFileError::RegFileError(int line, const std::string& what)
    : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + what : what)
{}

std::vector<RegOperation> RegFileParser::parse(const std::wstring& text)
{
    std::vector<RegOperation> ops;
    std::optional<RegOperation> currentKey;
    for (const auto& [number, line] : logicalLines(text)) {
        if (line.empty() || line.front() == L';' || line.front() == L'#') {
            continue;
        }
        if (startsWithNoCase(line, L"Windows Registry Editor Version") || line == L"REGEDIT4") {
            continue;
        }
        if (line.front() == L'[') {
            if (line.back() != L']') {
                throw RegFileError(number, "key line must end with ]");
            }
            RegOperation op;
            std::wstring path = line.substr(1, line.size() - 2);
            if (!path.empty() && path.front() == L'-') {
                op.kind = RegOperation::Kind::DeleteKey;
                path.erase(0, 1);
            }
            parseKeyPath(number, path, &op);
            ops.push_back(op);
            if (op.kind == RegOperation::Kind::CreateKey) {
                currentKey = op;
            } else {
                currentKey.reset();
            }
            continue;
        }
        if (line.front() != L'"' && line.front() != L'@') {
            throw RegFileError(number, "expected [key], \"name\"=data or @=data");
        }
        if (!currentKey) {
            throw RegFileError(number, "value outside of a key");
        }
        RegOperation op = *currentKey;
        parseValueLine(number, line, &op);
        ops.push_back(op);
    }
    return ops;
}

std::wstring RegFileParser::readFile(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) {
        throw RegFileError(0, "cannot open machine file");
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text;
    }
    const std::size_t skip = (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) ? 3 : 0;
    auto text = qev::base::wide_from_code_page(std::string_view(bytes).substr(skip), CP_UTF8, MB_ERR_INVALID_CHARS);
    if (!text) {
        throw RegFileError(0, "machine file is neither UTF-8 nor UTF-16");
    }
    return *text;
}

}  // namespace qevsim
