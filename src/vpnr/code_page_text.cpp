#include "vpnr/code_page_text.h"

#include "base/utf8.h"

#include <locale.h>

namespace qev::vpnr {

bool narrow_to_wide(UINT code_page, std::string_view text, std::wstring& out)
{
    std::optional<std::wstring> converted = base::wide_from_code_page(text, code_page, MB_ERR_INVALID_CHARS);
    if (!converted) {
        return false;
    }
    out = std::move(*converted);
    return true;
}

bool wide_to_narrow(UINT code_page, std::wstring_view text, std::string& out)
{
    if (text.empty()) {
        out.clear();
        return true;
    }
    const int length = static_cast<int>(text.size());
    // UTF-8 reports unpaired surrogates itself; other code pages report a substituted character.
    const bool utf8 = code_page == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL substituted = FALSE;
    BOOL* const substituted_out = utf8 ? nullptr : &substituted;
    const int needed = WideCharToMultiByte(code_page, flags, text.data(), length, nullptr, 0, nullptr, substituted_out);
    if (needed <= 0) {
        return false;
    }
    if (substituted) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    std::string converted(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(code_page, flags, text.data(), length, converted.data(), needed, nullptr,
                            substituted_out) != needed ||
        substituted) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    out = std::move(converted);
    return true;
}

UINT file_api_code_page()
{
    if (___lc_codepage_func() == CP_UTF8) {
        return CP_UTF8;
    }
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

}  // namespace qev::vpnr
