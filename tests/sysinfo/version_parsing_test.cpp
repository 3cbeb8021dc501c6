#include "sysinfo/decimal_number.h"
#include "sysinfo/driver_date.h"
#include "sysinfo/driver_version.h"

#include "stderr_capture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qev::sysinfo {
namespace {

using test::StderrCapture;

std::string what_of(const std::wstring& text)
{
    try {
        ParseDecimal(text);
    } catch (const std::invalid_argument& error) {
        return std::string("invalid_argument: ") + error.what();
    } catch (const std::out_of_range& error) {
        return std::string("out_of_range: ") + error.what();
    }
    return "no exception";
}

TEST(ParseDecimal, FollowsStoiRules)
{
    const struct {
        const wchar_t* text;
        int expected;
    } rows[] = {
        {L"  -17", -17},
        {L"+8", 8},
        {L"0012", 12},
        {L"19045abc", 19045},
        {L"2147483647", 2147483647},
        {L"-2147483648", -2147483647 - 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseDecimal(row.text), row.expected) << row.text;
    }
    const std::string invalid = "invalid_argument: invalid stoi argument";
    const std::string range = "out_of_range: stoi argument out of range";
    for (const wchar_t* text : {L"", L"abc", L"-", L" +x1"}) {
        EXPECT_EQ(what_of(text), invalid) << text;
    }
    for (const wchar_t* text : {L"2147483648", L"-2147483649", L"99999999999999999999999"}) {
        EXPECT_EQ(what_of(text), range) << text;
    }
}

TEST(ParseDriverDate, AcceptsOnlyRealDates)
{
    StderrCapture capture;
    EXPECT_EQ(ParseDriverDate(L"2024-2-29"), (DriverDate{2024, 2, 29}));
    EXPECT_EQ(ParseDriverDate(L"2021-04-30"), (DriverDate{2021, 4, 30}));
    EXPECT_EQ(ParseDriverDate(L"2022-1-1"), (DriverDate{2022, 1, 1}));
    // A year beyond 16 bits is not silently wrapped.
    for (const wchar_t* text : {L"2023-2-29", L"2024-2-30", L"2024-4-31", L"2024-1-32", L"2024-1-0", L"2024-13-1",
                                L"2024-0-1", L"2024-2", L"2024-2-3-4", L"", L"70000-1-1", L"-5-1-1"}) {
        EXPECT_EQ(ParseDriverDate(text), DriverDate{}) << text;
    }
    EXPECT_EQ(capture.text(), "");
}

TEST(ParseDriverDate, ReportsConversionErrorsOnStderr)
{
    const struct {
        const wchar_t* text;
        const char* message;
    } rows[] = {
        {L"2024-xx-1", "Error converting date string: invalid stoi argument\n"},
        {L"2024-1-99999999999", "Error converting date string: stoi argument out of range\n"},
    };
    for (const auto& row : rows) {
        StderrCapture capture;
        EXPECT_EQ(ParseDriverDate(row.text), DriverDate{});
        EXPECT_EQ(capture.text(), row.message);
    }
}

TEST(ParseDriverDate, OrdersByYearThenMonthThenDay)
{
    EXPECT_LT(ParseDriverDate(L"2023-12-31"), ParseDriverDate(L"2024-1-1"));
    EXPECT_LT(ParseDriverDate(L"2024-1-31"), ParseDriverDate(L"2024-2-1"));
    EXPECT_LT(ParseDriverDate(L"2024-2-1"), ParseDriverDate(L"2024-2-2"));
    EXPECT_EQ(ParseDriverDate(L"2024-02-02"), ParseDriverDate(L"2024-2-2"));
}

TEST(ParseVersion, ReadsExactlyFourSixteenBitNumbers)
{
    EXPECT_EQ(ParseVersion(L"10.0.22621.1837"), (DriverVersion{10, 0, 22621, 1837}));
    EXPECT_EQ(ParseVersion(L"65535.1.2.3").major, 65535);
    for (const wchar_t* text : {L"1.2.3", L"1.2.3.4.5", L"", L"1.2.3.", L"1.2.65536.4", L"1.-2.3.4"}) {
        EXPECT_EQ(ParseVersion(text), DriverVersion{}) << text;
    }
    StderrCapture capture;
    EXPECT_EQ(ParseVersion(L"1.two.3.4"), DriverVersion{});
    EXPECT_EQ(capture.text(), "Error converting version string: invalid stoi argument\n");
}

TEST(ParseVersion, ComparesFieldByField)
{
    EXPECT_LT(ParseVersion(L"1.9.9.9"), ParseVersion(L"2.0.0.0"));
    EXPECT_LT(ParseVersion(L"2.0.0.9"), ParseVersion(L"2.0.1.0"));
    EXPECT_LT(ParseVersion(L"2.0.1.0"), ParseVersion(L"2.0.1.1"));
    EXPECT_GT(ParseVersion(L"10.0.0.0"), ParseVersion(L"9.99.99.99"));
}

TEST(FormatVersion, JoinsFourDecimalNumbers)
{
    EXPECT_EQ(FormatVersion(DriverVersion{10, 0, 22621, 1837}), L"10.0.22621.1837");
    EXPECT_EQ(FormatVersion(DriverVersion{}), L"0.0.0.0");
}

}  // namespace
}  // namespace qev::sysinfo
