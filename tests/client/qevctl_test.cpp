#include "command_line.h"
#include "command_runner.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

namespace qev::client::qevctl {
namespace {

TEST(QevctlCommandLine, BadCommandLinesAreRefusedWithTheirReason)
{
    const struct {
        std::vector<std::string> words;
        const char* error;
    } cases[] = {
        {{"--reply-timeout", "soon", "info"}, "--reply-timeout: not a number of milliseconds: soon"},
        {{"--frobnicate", "1", "info"}, "unknown option --frobnicate"},
        {{"--connect-timeout"}, "--connect-timeout needs a value"},
        {{}, "no command given"},
        {{"--script", "x.txt", "info"}, "--script and commands on the command line do not mix"},
        {{"--script", "Z:\\no\\such\\script.txt"}, "cannot open script Z:\\no\\such\\script.txt"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parse_command_line(c.words, error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

TEST(QevctlScript, OneCommandPerLineWithQuotesAndComments)
{
    std::istringstream script("# set up\n\ncreate --primary \"Microphone (USB)\"\r\n  get last  nr_level\n");
    std::string error;
    const auto commands = parse_script(script, error);
    ASSERT_TRUE(commands) << error;
    ASSERT_EQ(commands->size(), 2u);
    EXPECT_EQ((*commands)[0].args, (std::vector<std::string>{"--primary", "Microphone (USB)"}));
    EXPECT_EQ((*commands)[1].verb, "get");
    EXPECT_EQ((*commands)[1].args, (std::vector<std::string>{"last", "nr_level"}));
    std::istringstream unterminated("info\ncreate --primary \"Mic\n");
    EXPECT_FALSE(parse_script(unterminated, error));
    EXPECT_EQ(error, "script line 2: unterminated quote");
}

// Every command is checked before the first one runs: nothing reaches the server.
TEST(QevctlRun, BadCommandsAreRefusedBeforeAnyRuns)
{
    const struct {
        const char* command_line;
        const char* err;
    } cases[] = {
        {"start 1 , get 1", "qevctl: get: wrong number of arguments\n"},
        {"frobnicate", "qevctl: unknown command \"frobnicate\" (see --help)\n"},
        {"enum 256", "qevctl: enum: expected capture, render, algorithms or a number 0-255\n"},
        {"set one nr_level 60", "qevctl: set: not a handle: one\n"},
        {"set 1 nr_level 60x", "qevctl: set: not a number: 60x\n"},
        {"create --tertiary x", "qevctl: create: expected --primary NAME or --secondary NAME, got --tertiary\n"},
        {"watch --seconds", "qevctl: watch: expected [--seconds N]\n"},
        {"set-serialized 1 win_reg Z:\\no\\such.bin", "qevctl: set-serialized: cannot read Z:\\no\\such.bin\n"},
    };
    for (const auto& c : cases) {
        std::istringstream line(c.command_line);
        std::string error;
        const auto invocation = parse_command_line({std::istream_iterator<std::string>(line), {}}, error);
        ASSERT_TRUE(invocation) << error;
        std::ostringstream printed;
        std::ostringstream errors;
        EXPECT_FALSE(CommandRunner(printed, errors).check(invocation->commands)) << c.command_line;
        EXPECT_EQ(printed.str(), "") << c.command_line;
        EXPECT_EQ(errors.str(), c.err) << c.command_line;
    }
}

}  // namespace
}  // namespace qev::client::qevctl
