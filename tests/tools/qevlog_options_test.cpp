#include "qevlog_options.h"

#include <gtest/gtest.h>

namespace {

using qev::tools::parse_qevlog_options;

TEST(QevlogOptions, BadCommandLinesAreRefusedWithTheirReason)
{
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--pid", ""}, "--pid needs a decimal process id, got \"\""},
        {{"--pid", "-1"}, "--pid needs a decimal process id, got \"-1\""},
        {{"--pid", "4294967295"}, "--pid needs a decimal process id, got \"4294967295\""},
        {{"--timeout=12x"}, "--timeout needs a number of milliseconds, got \"12x\""},
        {{"--pid"}, "--pid needs a value"},
        {{"--wait-for="}, "--wait-for needs a non-empty value"},
        {{"--out", ""}, "--out needs a non-empty value"},
        {{"--verbose", "1"}, "unknown option --verbose"},
        {{"log.txt"}, "unexpected argument \"log.txt\""},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parse_qevlog_options(c.args, error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
