#include "vpnr/bias_file_path.h"

#include "base/logging.h"
#include "vpnr/code_page_text.h"
#include "vpnr/enrollment_directory.h"
#include "vpnr/serialized_param_verifier.h"
#include "winsys/system_error_text.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <string_view>

namespace qev::vpnr {
namespace {

constexpr std::wstring_view kExtension = L".bin";

// The part after the last separator, without a drive ("C:x.bin" names "x.bin" on drive C).
std::wstring last_component(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    if (name.size() >= 2 && name[1] == L':' && std::iswalpha(name[0]) != 0) {
        name.erase(0, 2);
    }
    return name;
}

bool is_device_name(std::wstring_view name)
{
    static constexpr std::array<std::wstring_view, 4> kDevices = {L"CON", L"PRN", L"AUX", L"NUL"};
    std::wstring stem(name.substr(0, name.find(L'.')));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    std::transform(stem.begin(), stem.end(), stem.begin(), [](wchar_t c) { return std::towupper(c); });
    const bool numbered = stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) &&
                          stem[3] >= L'1' && stem[3] <= L'9';
    return numbered || std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end();
}

// A name Windows keeps as it is: no characters it forbids or reads as a stream (":"), no device.
bool is_plain_file_name(const std::wstring& name)
{
    if (name.empty() || name == L"." || name == L"..") {
        return false;
    }
    const bool forbidden = std::any_of(name.begin(), name.end(), [](wchar_t c) {
        return c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos;
    });
    return !forbidden && !is_device_name(name);
}

// As std::filesystem sees it: ".bin" alone is a name without extension.
bool has_bin_extension(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    return dot != std::wstring::npos && dot != 0 && std::wstring_view(name).substr(dot) == kExtension;
}

}  // namespace

bool extract_vpnr_bias_file_path(const SerializedParamView& record, std::wstring& path)
{
    const wire::BiasFileTable* table = verified_bias_file_table(record);
    if (table == nullptr) {
        return false;
    }
    const std::string_view given = table->file_name() != nullptr ? table->file_name()->string_view() : "";
    std::wstring wide;
    if (!narrow_to_wide(file_api_code_page(), given, wide)) {
        base::log_wprintf(L"extract_vpnr_bias_file_path: filesystem error: %s\n",
                          qev::winsys::system_error_text(GetLastError()).c_str());
        return false;
    }
    const std::wstring name = last_component(wide);
    if (!is_plain_file_name(name)) {
        base::log_printf("extract_vpnr_bias_file_path: invalid filename\n");
        return false;
    }
    if (!has_bin_extension(name)) {
        base::log_printf("extract_vpnr_bias_file_path: rejected extension\n");
        return false;
    }
    const std::optional<std::wstring> directory = enrollment_directory();
    if (!directory) {
        base::log_printf("extract_vpnr_bias_file_path: failed to expand base dir\n");
        return false;
    }
    path = *directory + L"\\" + name;
    return true;
}

}  // namespace qev::vpnr
