#include "app/command_line.h"
#include "app/server_role.h"

#include "debug_output_capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qev::app {

namespace {

using ::testing::ElementsAre;

struct LineCase {
    const char* line;
    const char* server_type;
    bool help;
};

TEST(ReadCommandLine, OnlyExactOptionsSplitAtSingleSpacesCount)
{
    const LineCase cases[] = {
        {"", "rpc", false},
        {"--server=session_monitor --apo", "session_monitor", false},
        {"--server=a=b", "a=b", false},
        {"--server=", "", false},
        {"--server=session_monitor\tmore", "session_monitor\tmore", false},
        {"a\nb --server=x\ry", "x\ry", false},
        {"--server=session_monitor --server=x", "x", false},
        {"--server=x  --server=session_monitor", "session_monitor", false},
        {"--server session_monitor", "rpc", false},
        {"-server=x --SERVER=y x--server=z", "rpc", false},
        {"--help2 -help --Help help", "rpc", false},
        {"--server=a --help --server=b", "a", true},
        {"x  --apo --help", "rpc", true},
    };
    for (const LineCase& c : cases) {
        const CommandLineChoice choice = read_command_line(c.line, "rpc");
        EXPECT_EQ(choice.server_type, c.server_type) << c.line;
        EXPECT_EQ(choice.help, c.help) << c.line;
    }
}

// A prefix, another case or a trailing NUL selects the RPC role (the exact name is proven end to end).
TEST(SelectRole, OnlyTheExactNameSelectsTheSessionMonitor)
{
    for (const std::string& other :
         {std::string("Session_Monitor"), std::string("session_monitor2"), std::string("session_monitor\0", 16)}) {
        EXPECT_EQ(select_role(other), ServerRole::rpc) << other;
    }
}

TEST(ParseArguments, AppliesTheValueAndLogsItVerbatim)
{
    {
        DebugOutputCapture capture;
        EXPECT_TRUE(parse_arguments("--apo --server=%s%n"));
        EXPECT_EQ(server_type, "%s%n");
        EXPECT_THAT(capture.lines(), ElementsAre("[qev] configurations:\n", "[qev]   server_type: %s%n\n"));
    }
    server_type = "rpc";
    EXPECT_TRUE(parse_arguments(nullptr));
    EXPECT_EQ(server_type, "rpc");
}

}  // namespace

}  // namespace qev::app
