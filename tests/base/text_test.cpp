#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace qev::base {
namespace {

struct Utf8Case {
    std::wstring wide;
    std::string narrow;
};

TEST(Utf8, ConvertsBothWays)
{
    const Utf8Case cases[] = {
        {L"", ""},
        {L"Microphone Array", "Microphone Array"},
        {L"Line \u00E9\u4E2D \U0001F3A4", "Line \xC3\xA9\xE4\xB8\xAD \xF0\x9F\x8E\xA4"},
    };
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(utf8_from_wide(c.wide), c.narrow);
        EXPECT_EQ(wide_from_utf8(c.narrow), c.wide);
    }
}

TEST(Utf8, InvalidInputIsReplacedOrRefusedWhenStrict)
{
    EXPECT_EQ(wide_from_utf8("a\xFF-"), L"a\uFFFD-");
    EXPECT_FALSE(wide_from_code_page("a\xFF-", CP_UTF8, MB_ERR_INVALID_CHARS).has_value());
    EXPECT_EQ(wide_from_code_page("", CP_UTF8, MB_ERR_INVALID_CHARS), std::wstring());
}

}  // namespace
}  // namespace qev::base
