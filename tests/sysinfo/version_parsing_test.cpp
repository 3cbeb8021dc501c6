#include "sysinfo/driver_date.h"
#include "sysinfo/driver_version.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

namespace qev::sysinfo {
namespace {

// The parsed value as "a.b.c.d" or "y-m-d", and what the parse wrote to std::cerr.
std::pair<std::wstring, std::string> parse(bool version, const std::wstring& text)
{
    std::ostringstream errors;
    std::streambuf* const previous = std::cerr.rdbuf(errors.rdbuf());
    std::wstring value;
    if (version) {
        value = FormatVersion(ParseVersion(text));
    } else {
        const DriverDate date = ParseDriverDate(text);
        value = std::to_wstring(date.year) + L"-" + std::to_wstring(date.month) + L"-" + std::to_wstring(date.day);
    }
    std::cerr.rdbuf(previous);
    return {value, errors.str()};
}

// Numbers follow the stoi rules (blanks, sign, leading zeros, trailing text), and only a number that
// fits its field counts: a truncated one would be another version or date.
TEST(DriverVersionAndDate, OnlyNumbersThatFitTheirFieldsCountAndConversionErrorsAreReported)
{
    const std::string invalid = "Error converting version string: invalid stoi argument\n";
    const std::string range = "Error converting version string: stoi argument out of range\n";
    const std::string invalid_date = "Error converting date string: invalid stoi argument\n";
    const std::string range_date = "Error converting date string: stoi argument out of range\n";
    const wchar_t none[] = L"0.0.0.0";
    const wchar_t unknown[] = L"1900-1-1";
    const struct {
        bool version;
        const wchar_t* text;
        const wchar_t* expected;
        std::string message;
    } rows[] = {
        {true, L"10.0.22621.1837", L"10.0.22621.1837", ""},
        {true, L"65535. +8.0012.19045abc", L"65535.8.12.19045", ""},
        {true, L"1.two.3.4", none, invalid},
        {true, L"1.2.3.", none, invalid},
        {true, L"1.-.3.4", none, invalid},
        {true, L"1. +x1.3.4", none, invalid},
        {true, L"1.2147483648.3.4", none, range},
        {true, L"1.-2147483649.3.4", none, range},
        {true, L"1.99999999999999999999999.3.4", none, range},
        {false, L"2024-2-29", L"2024-2-29", ""},
        {false, L"2021-04-30", L"2021-4-30", ""},
        {false, L"2024-xx-1", unknown, invalid_date},
        {false, L"2024-1-99999999999", unknown, range_date},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parse(row.version, row.text), std::pair(std::wstring(row.expected), row.message)) << row.text;
    }
    for (const wchar_t* text :
         {L"1.2.3", L"1.2.3.4.5", L"", L"1.2.65536.4", L"1.-2.3.4", L"1.2147483647.3.4", L"1.-2147483648.3.4"}) {
        EXPECT_EQ(parse(true, text), std::pair(std::wstring(none), std::string())) << text;
    }
    for (const wchar_t* text : {L"2023-2-29", L"2024-2-30", L"2024-4-31", L"2024-1-32", L"2024-1-0", L"2024-13-1",
                                L"2024-0-1", L"2024-2", L"2024-2-3-4", L"", L"70000-1-1", L"-5-1-1"}) {
        EXPECT_EQ(parse(false, text), std::pair(std::wstring(unknown), std::string())) << text;
    }
}

}  // namespace
}  // namespace qev::sysinfo
