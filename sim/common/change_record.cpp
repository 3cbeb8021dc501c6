#include "change_record.h"

namespace qevsim {

namespace {

// Fields are joined by the unit separator, which no id, key or name of the machine holds.
constexpr wchar_t kSeparator = L'\x1F';
constexpr std::size_t kFieldCount = 9;

std::vector<std::wstring> split(const std::wstring& text)
{
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (std::size_t at = text.find(kSeparator); at != std::wstring::npos; at = text.find(kSeparator, start)) {
        fields.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

std::optional<DWORD> parseNumber(const std::wstring& text)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    const unsigned long long value = std::stoull(text);
    return value <= 0xFFFFFFFFull ? std::optional<DWORD>(static_cast<DWORD>(value)) : std::nullopt;
}

}  // namespace

std::wstring ChangeRecord::encode() const
{
    const std::wstring fields[kFieldCount] = {std::to_wstring(static_cast<int>(kind)),
                                              endpoint,
                                              session,
                                              context,
                                              text,
                                              std::to_wstring(number),
                                              std::to_wstring(flow),
                                              std::to_wstring(role),
                                              std::to_wstring(run)};
    std::wstring joined = fields[0];
    for (std::size_t i = 1; i < kFieldCount; ++i) {
        joined += kSeparator;
        joined += fields[i];
    }
    return joined;
}

std::optional<ChangeRecord> ChangeRecord::decode(const std::wstring& stored)
{
    const std::vector<std::wstring> fields = split(stored);
    if (fields.size() != kFieldCount) {
        return std::nullopt;
    }
    const auto kind = parseNumber(fields[0]);
    const auto value = parseNumber(fields[5]);
    const auto flow = parseNumber(fields[6]);
    const auto role = parseNumber(fields[7]);
    const auto run = parseNumber(fields[8]);
    if (!kind || *kind > static_cast<DWORD>(Kind::SessionExpired) || !value || !flow || !role || !run) {
        return std::nullopt;
    }
    ChangeRecord record;
    record.kind = static_cast<Kind>(*kind);
    record.endpoint = fields[1];
    record.session = fields[2];
    record.context = fields[3];
    record.text = fields[4];
    record.number = *value;
    record.flow = *flow;
    record.role = *role;
    record.run = *run;
    return record;
}

}  // namespace qevsim
