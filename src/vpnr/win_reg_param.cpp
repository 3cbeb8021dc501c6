#include "vpnr/win_reg_param.h"

#include "base/logging.h"
#include "vpnr/code_page_text.h"
#include "vpnr/serialized_param_verifier.h"
#include "winsys/registry.h"
#include "winsys/registry_path.h"

#include <windows.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace qev::vpnr {
namespace {

constexpr std::array<std::string_view, 1> kAllowedKeys = {
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\vestaRion"};
constexpr std::int16_t kDwordType = 0;
constexpr std::int16_t kStringType = 1;

std::string_view text_of(const flatbuffers::String* text)
{
    return text != nullptr ? text->string_view() : std::string_view();
}

bool is_allowed_key(std::string_view key)
{
    for (const std::string_view allowed : kAllowedKeys) {
        if (key.size() == allowed.size() && _strnicmp(key.data(), allowed.data(), key.size()) == 0) {
            return true;
        }
    }
    return false;
}

// Decimal text read the way std::stoi reads it, without its exceptions.
std::optional<std::int32_t> parse_decimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    const size_t first_digit = i;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
            return std::nullopt;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (i == first_digit || value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

// The table's key, value name and data in UTF-16, once the key is allowed.
struct RegistryRequest {
    std::wstring key;
    std::wstring value_name;
    std::wstring data;
    std::string_view utf8_data;
};

std::optional<RegistryRequest> registry_request(const wire::WinRegTable& table)
{
    RegistryRequest request;
    if (!is_allowed_key(text_of(table.key())) || !narrow_to_wide(CP_UTF8, text_of(table.key()), request.key)) {
        return std::nullopt;
    }
    if (!narrow_to_wide(CP_UTF8, text_of(table.value_name()), request.value_name) ||
        !narrow_to_wide(CP_UTF8, text_of(table.data()), request.data)) {
        base::log_printf("win_reg: the value name or data is not UTF-8\n");
        return std::nullopt;
    }
    request.utf8_data = text_of(table.data());
    return request;
}

bool write_value(const RegistryRequest& request, std::int16_t type)
{
    namespace regpath = qev::winsys::regpath;
    std::optional<std::int32_t> number;
    if (type == kDwordType && !(number = parse_decimal(request.utf8_data))) {
        base::log_wprintf(L"win_reg: \"%s\" is not a 32-bit decimal number\n", request.data.c_str());
        return false;
    }
    try {
        regpath::create_key(request.key);
        if (type == kDwordType) {
            regpath::write_dword(request.key, request.value_name, static_cast<DWORD>(*number));
        } else {
            regpath::write_string(request.key, request.value_name, request.data);
        }
    } catch (const qev::winsys::RegistryException& failure) {
        base::log_wprintf(L"win_reg: %s\n", failure.message().c_str());
        return false;
    }
    return true;
}

// The value as the reply carries it: its type and its text.
std::optional<std::pair<std::int16_t, std::string>> read_value_text(const RegistryRequest& request,
                                                                    std::string_view value_name)
{
    qev::winsys::regpath::KeyPath key_path;
    try {
        key_path = qev::winsys::regpath::split_key_path(request.key);
    } catch (const qev::winsys::RegistryException&) {
        base::log_wprintf(L"Failed to split key: %s\n", request.key.c_str());
        return std::nullopt;
    }
    DWORD type = REG_NONE;
    qev::winsys::RegistryValue value;
    if (!qev::winsys::read_value(key_path.root, key_path.subkey, request.value_name, type, value)) {
        base::log_printf("Failed to get value data for %s\n", std::string(value_name).c_str());
        return std::nullopt;
    }
    std::string text;
    if (type == REG_DWORD) {
        return std::make_pair(kDwordType, std::to_string(std::get<DWORD>(value)));
    }
    if (type == REG_SZ && wide_to_narrow(CP_UTF8, std::get<std::wstring>(value), text)) {
        return std::make_pair(kStringType, std::move(text));
    }
    return std::nullopt;
}

}  // namespace

bool set_win_reg(const SerializedParamView& record)
{
    const wire::WinRegTable* table = verified_win_reg_table(record);
    if (table == nullptr) {
        return false;
    }
    const std::optional<RegistryRequest> request = registry_request(*table);
    if (!request || (table->type() != kDwordType && table->type() != kStringType)) {
        return false;
    }
    return write_value(*request, table->type());
}

bool get_win_reg(const SerializedParamView& record, SerializedParamReply& out)
{
    const wire::WinRegTable* table = verified_win_reg_table(record);
    if (table == nullptr) {
        return false;
    }
    const std::optional<RegistryRequest> request = registry_request(*table);
    const auto value = request ? read_value_text(*request, text_of(table->value_name())) : std::nullopt;
    if (!value) {
        return false;
    }
    flatbuffers::FlatBufferBuilder builder(kReplyBuilderSize);
    const auto key = builder.CreateString(text_of(table->key()));
    const auto value_name = builder.CreateString(text_of(table->value_name()));
    const auto data = builder.CreateString(value->second);
    builder.Finish(wire::CreateWinRegTable(builder, key, value_name, value->first, data));
    out = make_reply(record.name, builder);
    return true;
}

}  // namespace qev::vpnr
