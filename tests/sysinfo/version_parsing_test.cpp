#include "sysinfo/decimal_number.h"
#include "sysinfo/driver_date.h"
#include "sysinfo/driver_version.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <stdexcept>

namespace qev::sysinfo {
namespace {

// Redirects std::cerr into a string while it lives.
class StderrCapture {
public:
    StderrCapture() : previous_(std::cerr.rdbuf(buffer_.rdbuf())) {}
    ~StderrCapture() { std::cerr.rdbuf(previous_); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    std::string text() const { return buffer_.str(); }

private:
    std::ostringstream buffer_;
    std::streambuf* previous_;
};

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

TEST(ParseDriverDate, AcceptsOnlyRealDatesAndReportsConversionErrors)
{
    EXPECT_EQ(ParseDriverDate(L"2024-2-29"), (DriverDate{2024, 2, 29}));
    EXPECT_EQ(ParseDriverDate(L"2021-04-30"), (DriverDate{2021, 4, 30}));
    // A year beyond 16 bits is not silently wrapped; only conversion errors are reported.
    const std::string invalid = "Error converting date string: invalid stoi argument\n";
    const std::string range = "Error converting date string: stoi argument out of range\n";
    for (const auto& [text, message] : {std::pair{L"2024-xx-1", invalid}, std::pair{L"2024-1-99999999999", range},
                                        std::pair{L"2023-2-29", std::string()}}) {
        StderrCapture capture;
        EXPECT_EQ(ParseDriverDate(text), DriverDate{}) << text;
        EXPECT_EQ(capture.text(), message) << text;
    }
    StderrCapture capture;
    for (const wchar_t* text : {L"2024-2-30", L"2024-4-31", L"2024-1-32", L"2024-1-0", L"2024-13-1", L"2024-0-1",
                                L"2024-2", L"2024-2-3-4", L"", L"70000-1-1", L"-5-1-1"}) {
        EXPECT_EQ(ParseDriverDate(text), DriverDate{}) << text;
    }
    EXPECT_EQ(capture.text(), "");
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

}  // namespace
}  // namespace qev::sysinfo
