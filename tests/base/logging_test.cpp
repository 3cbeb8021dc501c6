#include "base/logging.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "debug_output_capture.h"

namespace qev::base {
namespace {

// Both entry points prefix every message and write it whole, with percent signs in arguments kept as
// text. Wine's OutputDebugStringW converts through a 32 Ki-character buffer: wide rows stay below it.
TEST(Logging, MessagesArePrefixedAndWrittenWhole)
{
    const std::string big(100000, 'x');
    const std::wstring wide_big(20000, L'y');
    const struct {
        std::function<void()> log;
        std::string line;
    } rows[] = {
        {[] { log_printf("value %d\n", 5); }, "[qev] value 5\n"},
        {[] { log_printf("no newline"); }, "[qev] no newline"},
        {[] { log_printf("%s|%s\n", "100%", "%d"); }, "[qev] 100%|%d\n"},
        {[&] { log_printf("%s\n", big.c_str()); }, "[qev] " + big + "\n"},
        {[] { log_wprintf(L"id %s = %d\n", L"{0.0.1.00000000}.{abc}", 7); }, "[qev] id {0.0.1.00000000}.{abc} = 7\n"},
        {[&] { log_wprintf(L"%s", wide_big.c_str()); }, "[qev] " + std::string(wide_big.begin(), wide_big.end())},
    };
    for (const auto& row : rows) {
        DebugOutputCapture capture;
        row.log();
        EXPECT_EQ(capture.lines(), std::vector<std::string>{row.line}) << row.line.substr(0, 40);
    }
}

}  // namespace
}  // namespace qev::base
