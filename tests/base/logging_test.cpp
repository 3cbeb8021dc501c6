#include "base/logging.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "debug_output_capture.h"

namespace qev::base {
namespace {

// Wide output may reach the debugger as a wide or as a converted narrow string; either way the
// capture keeps it as one line.
std::string last_line(const DebugOutputCapture& capture)
{
    const auto lines = capture.lines();
    return lines.empty() ? std::string("<none>") : lines.back();
}

TEST(Logging, NarrowFormatsWithPrefix)
{
    DebugOutputCapture capture;
    log_printf("value %d\n", 5);
    log_printf("no newline");
    log_printf("%s|%s\n", "100%", "%d");
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[qev] value 5\n");
    EXPECT_EQ(lines[1], "[qev] no newline");
    EXPECT_EQ(lines[2], "[qev] 100%|%d\n");
}

TEST(Logging, LongMessageIsWrittenWhole)
{
    DebugOutputCapture capture;
    const std::string big(100000, 'x');
    log_printf("%s\n", big.c_str());
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "[qev] " + big + "\n");
}

TEST(Logging, WideTakesWideStrings)
{
    DebugOutputCapture capture;
    log_wprintf(L"id %s = %d\n", L"{0.0.1.00000000}.{abc}", 7);
    EXPECT_EQ(last_line(capture), "[qev] id {0.0.1.00000000}.{abc} = 7\n");
}

TEST(Logging, WideLongMessageIsWrittenWhole)
{
    DebugOutputCapture capture;
    // Wine's OutputDebugStringW converts through a 32 Ki-character buffer; stay below that.
    const std::wstring big(20000, L'y');
    log_wprintf(L"%s", big.c_str());
    EXPECT_EQ(last_line(capture), "[qev] " + std::string(big.begin(), big.end()));
}

}  // namespace
}  // namespace qev::base
