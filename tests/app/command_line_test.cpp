#include "app/command_line.h"
#include "app/server_role.h"

#include "debug_output_capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qev::app {

namespace {

using ::testing::ElementsAre;

TEST(SplitCommandLine, SplitsAtEverySingleSpace)
{
    EXPECT_THAT(split_command_line("--server=rpc --apo"), ElementsAre("--server=rpc", "--apo"));
    EXPECT_THAT(split_command_line("a  b"), ElementsAre("a", "", "b"));
    EXPECT_THAT(split_command_line(" a "), ElementsAre("", "a", ""));
    EXPECT_THAT(split_command_line(""), ElementsAre(""));
}

TEST(SplitCommandLine, OnlyTheSpaceSeparates)
{
    EXPECT_THAT(split_command_line("--server=session_monitor\tx"), ElementsAre("--server=session_monitor\tx"));
    EXPECT_THAT(split_command_line("a\nb\rc\vd"), ElementsAre("a\nb\rc\vd"));
}

TEST(ReadCommandLine, EmptyLineKeepsTheDefault)
{
    const CommandLineChoice choice = read_command_line("", "rpc");
    EXPECT_EQ(choice.server_type, "rpc");
    EXPECT_FALSE(choice.help);
}

TEST(ReadCommandLine, ServerOptionTakesEverythingAfterTheFirstEquals)
{
    EXPECT_EQ(read_command_line("--server=session_monitor", "rpc").server_type, "session_monitor");
    EXPECT_EQ(read_command_line("--server=a=b", "rpc").server_type, "a=b");
    EXPECT_EQ(read_command_line("--server=", "rpc").server_type, "");
    EXPECT_EQ(read_command_line("--server=session_monitor\tmore", "rpc").server_type, "session_monitor\tmore");
}

TEST(ReadCommandLine, LaterServerOptionWins)
{
    EXPECT_EQ(read_command_line("--server=session_monitor --server=x", "rpc").server_type, "x");
    EXPECT_EQ(read_command_line("--server=x  --server=session_monitor", "rpc").server_type, "session_monitor");
}

TEST(ReadCommandLine, OtherTokensAreIgnored)
{
    EXPECT_EQ(read_command_line("--apo", "rpc").server_type, "rpc");
    EXPECT_EQ(read_command_line("--server=session_monitor --apo", "rpc").server_type, "session_monitor");
    // Prefixes and near misses are not options.
    EXPECT_EQ(read_command_line("--server session_monitor", "rpc").server_type, "rpc");
    EXPECT_EQ(read_command_line("-server=x --SERVER=y x--server=z", "rpc").server_type, "rpc");
    EXPECT_FALSE(read_command_line("--help2 -help --Help help", "rpc").help);
}

TEST(ReadCommandLine, HelpStopsReadingAnywhere)
{
    const CommandLineChoice after = read_command_line("--server=a --help --server=b", "rpc");
    EXPECT_TRUE(after.help);
    EXPECT_EQ(after.server_type, "a");
    EXPECT_TRUE(read_command_line("--help", "rpc").help);
    EXPECT_TRUE(read_command_line("x  --apo --help", "rpc").help);
}

TEST(SelectRole, OnlyTheExactNameSelectsTheSessionMonitor)
{
    EXPECT_EQ(select_role("session_monitor"), ServerRole::session_monitor);
    EXPECT_EQ(select_role("rpc"), ServerRole::rpc);
    EXPECT_EQ(select_role(""), ServerRole::rpc);
    EXPECT_EQ(select_role("Session_Monitor"), ServerRole::rpc);
    EXPECT_EQ(select_role("session_monitor2"), ServerRole::rpc);
    EXPECT_EQ(select_role("session_monitor\tx"), ServerRole::rpc);
    EXPECT_EQ(select_role(std::string("session_monitor\0", 16)), ServerRole::rpc);
}

class ParseArguments : public ::testing::Test {
protected:
    void SetUp() override { server_type = "rpc"; }
    void TearDown() override { server_type = "rpc"; }
};

TEST_F(ParseArguments, AppliesAndLogsTheConfiguration)
{
    DebugOutputCapture capture;
    EXPECT_TRUE(parse_arguments("--apo --server=a=b"));
    EXPECT_EQ(server_type, "a=b");
    EXPECT_THAT(capture.lines(), ElementsAre("[qev] configurations:\n", "[qev]   server_type: a=b\n"));
}

TEST_F(ParseArguments, EmptyLineLogsTheDefaultRole)
{
    DebugOutputCapture capture;
    EXPECT_TRUE(parse_arguments(""));
    EXPECT_EQ(server_type, "rpc");
    EXPECT_THAT(capture.lines(), ElementsAre("[qev] configurations:\n", "[qev]   server_type: rpc\n"));
}

TEST_F(ParseArguments, NullLineCountsAsEmpty)
{
    EXPECT_TRUE(parse_arguments(nullptr));
    EXPECT_EQ(server_type, "rpc");
}

TEST_F(ParseArguments, PercentInTheValueIsLoggedAsIs)
{
    DebugOutputCapture capture;
    EXPECT_TRUE(parse_arguments("--server=%s%n"));
    EXPECT_EQ(server_type, "%s%n");
    EXPECT_THAT(capture.lines(), ElementsAre("[qev] configurations:\n", "[qev]   server_type: %s%n\n"));
}

TEST(ParseArgumentsDeathTest, HelpLogsTheUsageAndExitsWithZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(parse_arguments("--server=x --help"), ::testing::ExitedWithCode(0), "");
}

TEST(PrintUsage, LogsTheUsageLinesInOrder)
{
    DebugOutputCapture capture;
    print_usage();
    EXPECT_THAT(capture.lines(), ElementsAre("[qev] usage: qEvSwServer [option]...\n", "[qev] \n",
                                             "[qev]   --apo               Activate qEvSwServer for APO scenario\n",
                                             "[qev]   --help              Show this help list\n", "[qev] \n"));
}

}  // namespace

}  // namespace qev::app
