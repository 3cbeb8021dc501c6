#include "sysinfo/decimal_number.h"
#include "sysinfo/driver_date.h"
#include "sysinfo/driver_version.h"

#include "stderr_capture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qev::sysinfo {
namespace {

using test::StderrCapture;

void expect_date(const DriverDate& date, int year, int month, int day)
{
    EXPECT_EQ(date.year, year);
    EXPECT_EQ(date.month, month);
    EXPECT_EQ(date.day, day);
}

void expect_unknown(const DriverDate& date)
{
    expect_date(date, 1900, 1, 1);
}

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
    EXPECT_EQ(ParseDecimal(L"22631"), 22631);
    EXPECT_EQ(ParseDecimal(L"  -17"), -17);
    EXPECT_EQ(ParseDecimal(L"+8"), 8);
    EXPECT_EQ(ParseDecimal(L"0012"), 12);
    EXPECT_EQ(ParseDecimal(L"19045abc"), 19045);
    EXPECT_EQ(ParseDecimal(L"2147483647"), 2147483647);
    EXPECT_EQ(ParseDecimal(L"-2147483648"), -2147483647 - 1);
}

TEST(ParseDecimal, ThrowsWithFixedTexts)
{
    EXPECT_EQ(what_of(L""), "invalid_argument: invalid stoi argument");
    EXPECT_EQ(what_of(L"abc"), "invalid_argument: invalid stoi argument");
    EXPECT_EQ(what_of(L"-"), "invalid_argument: invalid stoi argument");
    EXPECT_EQ(what_of(L" +x1"), "invalid_argument: invalid stoi argument");
    EXPECT_EQ(what_of(L"2147483648"), "out_of_range: stoi argument out of range");
    EXPECT_EQ(what_of(L"-2147483649"), "out_of_range: stoi argument out of range");
    EXPECT_EQ(what_of(L"99999999999999999999999"), "out_of_range: stoi argument out of range");
}

TEST(ParseDriverDate, AcceptsRealDates)
{
    expect_date(ParseDriverDate(L"2024-2-29"), 2024, 2, 29);
    expect_date(ParseDriverDate(L"2023-12-31"), 2023, 12, 31);
    expect_date(ParseDriverDate(L"2021-04-30"), 2021, 4, 30);
    expect_date(ParseDriverDate(L"2022-1-1"), 2022, 1, 1);
}

TEST(ParseDriverDate, RejectsDaysBeyondTheMonth)
{
    expect_unknown(ParseDriverDate(L"2023-2-29"));
    expect_unknown(ParseDriverDate(L"2024-2-30"));
    expect_unknown(ParseDriverDate(L"2024-4-31"));
    expect_unknown(ParseDriverDate(L"2024-6-31"));
    expect_unknown(ParseDriverDate(L"2024-1-32"));
    expect_unknown(ParseDriverDate(L"2024-1-0"));
}

TEST(ParseDriverDate, RejectsBadMonthsAndShapes)
{
    expect_unknown(ParseDriverDate(L"2024-13-1"));
    expect_unknown(ParseDriverDate(L"2024-0-1"));
    expect_unknown(ParseDriverDate(L"2024-2"));
    expect_unknown(ParseDriverDate(L"2024-2-3-4"));
    expect_unknown(ParseDriverDate(L""));
    // A year that does not fit the 16-bit field is not silently wrapped.
    expect_unknown(ParseDriverDate(L"70000-1-1"));
    expect_unknown(ParseDriverDate(L"-5-1-1"));
}

TEST(ParseDriverDate, ReportsConversionErrorsOnStderr)
{
    StderrCapture capture;
    expect_unknown(ParseDriverDate(L"2024-xx-1"));
    EXPECT_EQ(capture.text(), "Error converting date string: invalid stoi argument\n");
}

TEST(ParseDriverDate, ReportsOutOfRangeOnStderr)
{
    StderrCapture capture;
    expect_unknown(ParseDriverDate(L"2024-1-99999999999"));
    EXPECT_EQ(capture.text(), "Error converting date string: stoi argument out of range\n");
}

TEST(ParseDriverDate, ValidDatesWriteNothing)
{
    StderrCapture capture;
    ParseDriverDate(L"2024-5-6");
    ParseDriverDate(L"2024-13-6");
    EXPECT_EQ(capture.text(), "");
}

TEST(ParseDriverDate, OrdersByYearThenMonthThenDay)
{
    EXPECT_LT(ParseDriverDate(L"2023-12-31"), ParseDriverDate(L"2024-1-1"));
    EXPECT_LT(ParseDriverDate(L"2024-1-31"), ParseDriverDate(L"2024-2-1"));
    EXPECT_LT(ParseDriverDate(L"2024-2-1"), ParseDriverDate(L"2024-2-2"));
    EXPECT_EQ(ParseDriverDate(L"2024-02-02"), ParseDriverDate(L"2024-2-2"));
}

TEST(ParseVersion, ReadsFourNumbers)
{
    const DriverVersion version = ParseVersion(L"10.0.22621.1837");
    EXPECT_EQ(version.major, 10);
    EXPECT_EQ(version.minor, 0);
    EXPECT_EQ(version.build, 22621);
    EXPECT_EQ(version.revision, 1837);
    EXPECT_EQ(ParseVersion(L"65535.1.2.3").major, 65535);
}

TEST(ParseVersion, AnythingButFourPartsIsZero)
{
    EXPECT_EQ(ParseVersion(L"1.2.3"), DriverVersion{});
    EXPECT_EQ(ParseVersion(L"1.2.3.4.5"), DriverVersion{});
    EXPECT_EQ(ParseVersion(L""), DriverVersion{});
    EXPECT_EQ(ParseVersion(L"1.2.3."), DriverVersion{});
}

TEST(ParseVersion, PartsOutsideSixteenBitsAreZero)
{
    EXPECT_EQ(ParseVersion(L"1.2.65536.4"), DriverVersion{});
    EXPECT_EQ(ParseVersion(L"1.-2.3.4"), DriverVersion{});
}

TEST(ParseVersion, ReportsConversionErrorsOnStderr)
{
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
    EXPECT_EQ(ParseVersion(FormatVersion(DriverVersion{1, 2, 3, 65535})), (DriverVersion{1, 2, 3, 65535}));
}

}  // namespace
}  // namespace qev::sysinfo
