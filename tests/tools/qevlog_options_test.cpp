#include "qevlog_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using qev::tools::parse_qevlog_options;

TEST(QevlogOptions, ReadsEveryOptionInBothForms)
{
    std::string error;
    const auto options =
        parse_qevlog_options({"--pid", "12", "--pid=34", "--wait-for=server_type: a=b", "--timeout=5000", "--out",
                              "log.txt", "--ready-event=qevlog_ready", "--help"},
                             error);
    ASSERT_TRUE(options) << error;
    EXPECT_THAT(options->pids, ::testing::ElementsAre(12u, 34u));
    EXPECT_EQ(options->wait_for, "server_type: a=b");
    EXPECT_EQ(options->timeout_ms, 5000u);
    EXPECT_EQ(options->out_path, "log.txt");
    EXPECT_EQ(options->ready_event, "qevlog_ready");
    EXPECT_TRUE(options->help);
}

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
