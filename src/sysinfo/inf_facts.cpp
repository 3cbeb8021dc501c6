#include "sysinfo/inf_facts.h"

#include <windows.h>

#include "base/logging.h"
#include "sysinfo/inf_text_file.h"
#include "sysinfo/wide_text.h"

#include <algorithm>
#include <optional>
#include <regex>
#include <utility>

namespace qev::sysinfo {
namespace {

struct InfSection {
    std::wstring name;
    std::vector<std::wstring> lines;
};

struct InfTokenPatterns {
    std::wregex server_reference{LR"(%([^%]+)%\\InprocServer32)", std::regex::ECMAScript | std::regex::icase};
    std::wregex token{L"%([^%]+)%", std::regex::ECMAScript | std::regex::icase};
    std::wregex braced_guid{LR"(\{[a-f0-9]{8}-([a-f0-9]{4}-){3}[a-f0-9]{12}\})",
                            std::regex::ECMAScript | std::regex::icase};
};

const InfTokenPatterns& patterns()
{
    static const InfTokenPatterns compiled;
    return compiled;
}

std::optional<std::vector<std::wstring>> read_inf(const std::wstring& inf_path)
{
    std::optional<std::vector<std::wstring>> lines = ReadInfLines(inf_path);
    if (!lines) {
        base::log_printf("Failed to open apo device inf\n");
    }
    return lines;
}

// A section starts at a line whose text begins with "[" and is named by its bracketed part. Lines
// before the first header belong to an unnamed section.
std::optional<std::wstring> section_header(const std::wstring& line)
{
    const std::wstring trimmed = TrimText(line);
    const size_t close = trimmed.find(L']');
    if (trimmed.empty() || trimmed.front() != L'[' || close == std::wstring::npos) {
        return std::nullopt;
    }
    return trimmed.substr(0, close + 1);
}

std::vector<InfSection> split_sections(const std::vector<std::wstring>& lines)
{
    std::vector<InfSection> sections(1);
    for (const std::wstring& line : lines) {
        if (std::optional<std::wstring> name = section_header(line)) {
            sections.push_back(InfSection{std::move(*name), {}});
        } else {
            sections.back().lines.push_back(line);
        }
    }
    return sections;
}

bool contains_name(const std::vector<std::pair<std::wstring, std::wstring>>& tokens, const std::wstring& name)
{
    return std::any_of(tokens.begin(), tokens.end(),
                       [&](const auto& token) { return EqualsIgnoreCase(token.first, name); });
}

// Token names used as %token%\InprocServer32, in order of first use, each with an empty value.
std::vector<std::pair<std::wstring, std::wstring>> wanted_tokens(const std::vector<InfSection>& sections)
{
    std::vector<std::pair<std::wstring, std::wstring>> tokens;
    for (const InfSection& section : sections) {
        for (const std::wstring& line : section.lines) {
            std::wsmatch reference;
            std::wsmatch token;
            if (!std::regex_search(line, reference, patterns().server_reference)) {
                continue;
            }
            const std::wstring matched = reference.str(0);
            if (!std::regex_search(matched, token, patterns().token)) {
                continue;
            }
            std::wstring name = token.str(0);
            name.erase(std::remove(name.begin(), name.end(), L'%'), name.end());
            if (!contains_name(tokens, name)) {
                tokens.emplace_back(std::move(name), std::wstring());
            }
        }
    }
    return tokens;
}

// Gives each wanted token its value from a "name = "{GUID}"" line of the [Strings] section. INF string
// keys are case-insensitive.
void resolve_tokens(const InfSection& strings, std::vector<std::pair<std::wstring, std::wstring>>& tokens)
{
    for (const std::wstring& line : strings.lines) {
        if (!std::regex_search(line, patterns().braced_guid)) {
            continue;
        }
        const std::vector<std::wstring> parts = SplitText(line, L'=');
        if (parts.size() != 2) {
            continue;
        }
        const std::wstring name = TrimText(parts[0]);
        std::wstring value = TrimText(parts[1]);
        value.erase(std::remove(value.begin(), value.end(), L'"'), value.end());
        for (auto& token : tokens) {
            if (EqualsIgnoreCase(token.first, name)) {
                token.second = value;
            }
        }
    }
}

void append_unique(const std::wstring& value, std::vector<std::wstring>& out)
{
    const bool present =
        std::any_of(out.begin(), out.end(), [&](const std::wstring& known) { return EqualsIgnoreCase(known, value); });
    if (!value.empty() && !present) {
        out.push_back(value);
    }
}

// The last comma-separated field of an AddReg line, without quotes and surrounding blanks.
std::wstring last_field(const std::wstring& line)
{
    std::wstring field = TrimText(line.substr(line.rfind(L',') + 1));
    field.erase(std::remove(field.begin(), field.end(), L'"'), field.end());
    return field;
}

std::wstring system_directory()
{
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// Puts a directory id in front of the path in place; false when the id's directory is unknown.
bool expand_directory_id(std::wstring& path, const wchar_t* id, const std::wstring& directory)
{
    const std::wstring token = std::wstring(L"%") + id + L"%";
    if (path.size() < token.size() || !EqualsIgnoreCase(path.substr(0, token.size()), token)) {
        return true;
    }
    if (directory.empty()) {
        return false;
    }
    path = directory + path.substr(token.size());
    return true;
}

}  // namespace

bool InfHasAudioEngine(const std::wstring& inf_path)
{
    const std::optional<std::vector<std::wstring>> lines = read_inf(inf_path);
    if (!lines) {
        return false;
    }
    return std::any_of(lines->begin(), lines->end(),
                       [](const std::wstring& line) { return ContainsIgnoreCase(TrimText(line), L"HKR,AudioEngine"); });
}

bool GetInfClassIds(const std::wstring& inf_path, std::vector<std::wstring>& out)
{
    const std::optional<std::vector<std::wstring>> lines = read_inf(inf_path);
    if (!lines) {
        return false;
    }
    const std::vector<InfSection> sections = split_sections(*lines);
    std::vector<std::pair<std::wstring, std::wstring>> tokens = wanted_tokens(sections);
    for (const InfSection& section : sections) {
        if (EqualsIgnoreCase(section.name, L"[Strings]")) {
            resolve_tokens(section, tokens);
        }
    }
    for (const auto& token : tokens) {
        append_unique(token.second, out);
    }
    return true;
}

std::wstring GetInfServerPath(const std::wstring& inf_path)
{
    const std::optional<std::vector<std::wstring>> lines = read_inf(inf_path);
    if (!lines) {
        return {};
    }
    for (const std::wstring& line : *lines) {
        if (!std::regex_search(line, patterns().server_reference)) {
            continue;
        }
        std::wstring path = last_field(line);
        const std::wstring inf_directory = inf_path.substr(0, inf_path.find_last_of(L"\\/"));
        if (path.empty() || !expand_directory_id(path, L"13", inf_directory) ||
            !expand_directory_id(path, L"11", system_directory())) {
            return {};
        }
        return path;
    }
    return {};
}

}  // namespace qev::sysinfo
