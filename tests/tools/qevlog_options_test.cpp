#include "qevlog_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using qev::tools::parse_qevlog_options;
using qev::tools::QevlogOptions;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::optional<QevlogOptions> parse(const std::vector<std::string>& args, std::string& error)
{
    return parse_qevlog_options(args, error);
}

TEST(QevlogOptions, NothingMeansEverythingForever)
{
    std::string error;
    const auto options = parse({}, error);
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->pids.empty());
    EXPECT_TRUE(options->wait_for.empty());
    EXPECT_FALSE(options->timeout_ms);
    EXPECT_TRUE(options->out_path.empty());
    EXPECT_FALSE(options->help);
}

TEST(QevlogOptions, ReadsEveryOptionInBothForms)
{
    std::string error;
    const auto options = parse({"--pid", "12", "--pid=34", "--wait-for", "server_type: rpc", "--timeout=5000", "--out",
                                "log.txt", "--ready-event=qevlog_ready"},
                               error);
    ASSERT_TRUE(options) << error;
    EXPECT_THAT(options->pids, ElementsAre(12u, 34u));
    EXPECT_EQ(options->wait_for, "server_type: rpc");
    EXPECT_EQ(options->timeout_ms, 5000u);
    EXPECT_EQ(options->out_path, "log.txt");
    EXPECT_EQ(options->ready_event, "qevlog_ready");
}

TEST(QevlogOptions, ValueAfterEqualsMayHoldEquals)
{
    std::string error;
    const auto options = parse({"--wait-for=server_type: a=b"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->wait_for, "server_type: a=b");
}

TEST(QevlogOptions, Help)
{
    std::string error;
    const auto options = parse({"--help"}, error);
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
}

TEST(QevlogOptions, RejectsBadNumbers)
{
    for (const char* bad : {"", "x", "-1", "12x", " 12", "4294967295", "99999999999999999999"}) {
        std::string error;
        EXPECT_FALSE(parse({"--pid", bad}, error)) << bad;
        EXPECT_THAT(error, HasSubstr("--pid")) << bad;
        error.clear();
        EXPECT_FALSE(parse({std::string("--timeout=") + bad}, error)) << bad;
        EXPECT_THAT(error, HasSubstr("--timeout")) << bad;
    }
}

TEST(QevlogOptions, RejectsMissingAndEmptyValues)
{
    std::string error;
    EXPECT_FALSE(parse({"--pid"}, error));
    EXPECT_THAT(error, HasSubstr("needs a value"));
    EXPECT_FALSE(parse({"--wait-for="}, error));
    EXPECT_THAT(error, HasSubstr("non-empty"));
    EXPECT_FALSE(parse({"--out", ""}, error));
}

TEST(QevlogOptions, RejectsUnknownOptionsAndStrayArguments)
{
    std::string error;
    EXPECT_FALSE(parse({"--verbose", "1"}, error));
    EXPECT_THAT(error, HasSubstr("--verbose"));
    EXPECT_FALSE(parse({"log.txt"}, error));
    EXPECT_THAT(error, HasSubstr("log.txt"));
}

TEST(QevlogOptions, UsageNamesEveryOption)
{
    const std::string usage = qev::tools::qevlog_usage();
    for (const char* option : {"--pid", "--wait-for", "--timeout", "--out", "--ready-event", "--help"}) {
        EXPECT_THAT(usage, HasSubstr(option));
    }
}

}  // namespace
