#include "command_line.h"
#include "command_runner.h"
#include "fake_pipe_server.h"
#include "wire_test_messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace qev::client::qevctl {
namespace {

using client::testing::FakePipeServer;
using Bytes = std::vector<std::uint8_t>;

Invocation parsed(const std::vector<std::string>& words)
{
    std::string error;
    auto invocation = parse_command_line(words, error);
    EXPECT_TRUE(invocation.has_value()) << error;
    return invocation.value_or(Invocation{});
}

std::string parse_error(const std::vector<std::string>& words)
{
    std::string error;
    EXPECT_FALSE(parse_command_line(words, error).has_value());
    return error;
}

TEST(QevctlCommandLine, CommasSeparateCommands)
{
    const auto invocation =
        parsed({"create", "--primary", "Mic Array", ",", "set", "last", "nr_level", "60", ",", "info"});
    ASSERT_EQ(invocation.commands.size(), 3u);
    EXPECT_EQ(invocation.commands[0].verb, "create");
    EXPECT_EQ(invocation.commands[0].args, (std::vector<std::string>{"--primary", "Mic Array"}));
    EXPECT_EQ(invocation.commands[1].args, (std::vector<std::string>{"last", "nr_level", "60"}));
    EXPECT_EQ(invocation.commands[2].verb, "info");
    EXPECT_TRUE(invocation.commands[2].args.empty());
}

TEST(QevctlCommandLine, OptionsComeBeforeCommands)
{
    const auto invocation = parsed({"--connect-timeout", "250", "--reply-timeout", "900", "info"});
    EXPECT_EQ(invocation.connect_timeout.count(), 250);
    EXPECT_EQ(invocation.reply_timeout.count(), 900);
    EXPECT_TRUE(parsed({"--help"}).help);
}

TEST(QevctlCommandLine, RejectsBadOptionsAndEmptyInvocations)
{
    EXPECT_NE(parse_error({"--reply-timeout", "soon", "info"}).find("milliseconds"), std::string::npos);
    EXPECT_NE(parse_error({"--frobnicate", "1", "info"}).find("unknown option"), std::string::npos);
    EXPECT_NE(parse_error({"--connect-timeout"}).find("needs a value"), std::string::npos);
    EXPECT_NE(parse_error({}).find("no command"), std::string::npos);
    EXPECT_NE(parse_error({"--script", "x.txt", "info"}).find("do not mix"), std::string::npos);
    EXPECT_NE(parse_error({"--script", "Z:\\no\\such\\script.txt"}).find("cannot open"), std::string::npos);
}

TEST(QevctlScript, OneCommandPerLineWithQuotesAndComments)
{
    std::istringstream script("# set up\n\ncreate --primary \"Microphone (USB)\"\r\n  get last  nr_level\n");
    std::string error;
    const auto commands = parse_script(script, error);
    ASSERT_TRUE(commands.has_value()) << error;
    ASSERT_EQ(commands->size(), 2u);
    EXPECT_EQ((*commands)[0].args, (std::vector<std::string>{"--primary", "Microphone (USB)"}));
    EXPECT_EQ((*commands)[1].verb, "get");
    EXPECT_EQ((*commands)[1].args, (std::vector<std::string>{"last", "nr_level"}));
}

TEST(QevctlScript, UnterminatedQuoteNamesTheLine)
{
    std::istringstream script("info\ncreate --primary \"Mic\n");
    std::string error;
    EXPECT_FALSE(parse_script(script, error).has_value());
    EXPECT_NE(error.find("line 2"), std::string::npos);
}

TEST(QevctlCheck, RejectsUnknownVerbsAndMalformedArguments)
{
    std::ostringstream out;
    std::ostringstream err;
    CommandRunner runner(out, err);
    EXPECT_TRUE(runner.check({{"info", {}}, {"enum", {"algorithms"}}, {"set", {"last", "nr_level", "60"}}}));
    EXPECT_FALSE(runner.check({{"frobnicate", {}}}));
    EXPECT_FALSE(runner.check({{"enum", {"speakers"}}}));
    EXPECT_FALSE(runner.check({{"enum", {"256"}}}));
    EXPECT_FALSE(runner.check({{"set", {"1", "nr_level"}}}));
    EXPECT_FALSE(runner.check({{"set", {"one", "nr_level", "60"}}}));
    EXPECT_FALSE(runner.check({{"set", {"1", "nr_level", "60x"}}}));
    EXPECT_FALSE(runner.check({{"create", {"--tertiary", "x"}}}));
    EXPECT_FALSE(runner.check({{"watch", {"--seconds"}}}));
    EXPECT_FALSE(runner.check({{"set-serialized", {"1", "win_reg", "Z:\\no\\such\\payload.bin"}}}));
    EXPECT_NE(err.str().find("unknown command \"frobnicate\""), std::string::npos);
}

// A server that knows a few answers: Create gives handle 7, Set of "bad" is rejected with 3, Get reads
// 42.5, Enum of type 3 is unknown (5), GetSerialized returns the bytes 1 2 3.
std::optional<Bytes> scripted_server(const Bytes& request)
{
    flatbuffers::Verifier verifier(request.data(), request.size());
    if (!wire::VerifyIpcMessageBuffer(verifier)) {
        return std::nullopt;
    }
    const auto* message = wire::GetIpcMessage(request.data());
    const std::string name = message->name() ? message->name()->str() : "";
    flatbuffers::FlatBufferBuilder builder;
    const auto name_offset = builder.CreateString(name);
    if (name == "QevIntfCreate") {
        return client::testing::simple_reply(name, 0, 7);
    }
    if (name == "QevIntfSet") {
        return client::testing::simple_reply(name, message->param()->name()->str() == "bad" ? 3 : 0);
    }
    if (name == "QevIntfGet") {
        const auto param = wire::CreateParamDirect(builder, message->param()->name()->c_str(), 42.5f);
        return client::testing::finish(builder, wire::CreateIpcMessage(builder, name_offset, nullptr, 0, 0, param));
    }
    if (name == "QevIntfEnum") {
        const auto names = builder.CreateVectorOfStrings(
            message->type() == 2 ? std::vector<std::string>{"dmvp", "general"} : std::vector<std::string>{});
        const auto result = wire::CreateEnumResult(builder, message->type() == 2 ? 2 : 0, names);
        return client::testing::finish(builder, wire::CreateIpcMessage(builder, name_offset, nullptr, result, 0, 0, 0,
                                                                       0, 0, 0, message->type() <= 2 ? 0 : 5));
    }
    if (name == "QevIntfGetSerialized") {
        const std::vector<std::uint8_t> data{1, 2, 3};
        const auto out = wire::CreateSerializedParamDirect(builder, "win_reg", 3, &data);
        return client::testing::finish(
            builder, wire::CreateIpcMessage(builder, name_offset, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, out));
    }
    return client::testing::simple_reply(name, 0);
}

class QevctlRun : public ::testing::Test {
protected:
    int run(const std::vector<Command>& commands)
    {
        client::QevClient client(server_.client_options());
        CommandRunner runner(out_, err_);
        return runner.run(client, events_, commands);
    }
    std::vector<std::string> request_names() const
    {
        std::vector<std::string> names;
        for (const auto& request : server_.requests()) {
            names.push_back(wire::GetIpcMessage(request.data())->name()->str());
        }
        return names;
    }
    std::uint32_t handle_of_request(std::size_t index) const
    {
        return wire::GetIpcMessage(server_.requests().at(index).data())->handle();
    }

    FakePipeServer server_{scripted_server};
    EventQueue events_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(QevctlRun, LastRefersToTheCreatedHandle)
{
    EXPECT_EQ(
        run({{"create", {"--primary", "Mic"}}, {"set", {"last", "nr_level", "60"}}, {"get", {"last", "nr_level"}}}),
        kExitOk);
    EXPECT_EQ(out_.str(), "handle: 7\nnr_level: 42.5\n");
    EXPECT_EQ(handle_of_request(1), 7u);
    EXPECT_EQ(handle_of_request(2), 7u);
}

TEST_F(QevctlRun, FailedCallPrintsResultMeaningAndStops)
{
    EXPECT_EQ(run({{"set", {"4", "bad", "1"}}, {"start", {"4"}}}), kExitResult);
    EXPECT_EQ(err_.str(), "QevIntfSet: result 3 (invalid argument)\n");
    EXPECT_EQ(request_names(), (std::vector<std::string>{"QevIntfSet"}));
}

TEST_F(QevctlRun, UnknownEnumerationTypeIsReported)
{
    EXPECT_EQ(run({{"enum", {"algorithms"}}, {"enum", {"3"}}}), kExitResult);
    EXPECT_EQ(out_.str(), "count: 2\ndmvp\ngeneral\n");
    EXPECT_EQ(err_.str(), "QevIntfEnum: result 5 (unknown enumeration type)\n");
}

TEST_F(QevctlRun, LastBeforeCreateIsAUsageErrorAndSendsNothing)
{
    EXPECT_EQ(run({{"start", {"last"}}}), kExitUsage);
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(QevctlRun, BadCommandLateInTheListRunsNothing)
{
    EXPECT_EQ(run({{"start", {"1"}}, {"get", {"1"}}}), kExitUsage);
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(QevctlRun, SerializedPayloadsGoThroughFiles)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string in_path = std::string(dir) + "qevctl_test_in.bin";
    const std::string out_path = std::string(dir) + "qevctl_test_out.bin";
    {
        std::ofstream in(in_path, std::ios::binary);
        in.write("\x05\x00\x07", 3);
    }
    EXPECT_EQ(run({{"set-serialized", {"2", "win_reg", in_path}}, {"get-serialized", {"2", "win_reg", out_path}}}),
              kExitOk);
    const auto* sent = wire::GetIpcMessage(server_.requests().at(0).data())->serialized_in();
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->size(), 3u);
    EXPECT_EQ(Bytes(sent->data()->begin(), sent->data()->end()), (Bytes{5, 0, 7}));
    std::ifstream out(out_path, std::ios::binary);
    const Bytes written{std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>()};
    EXPECT_EQ(written, (Bytes{1, 2, 3}));
    out.close();
    std::remove(in_path.c_str());
    std::remove(out_path.c_str());
}

TEST_F(QevctlRun, WatchPrintsEventsForTheGivenTime)
{
    events_.push(client::Event{5, 3, "nr_level"});
    events_.push(client::Event{0, 1, ""});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run({{"watch", {"--seconds", "1"}}}), kExitOk);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(out_.str(),
              "event: type 5 (parameter changed) value 3 text nr_level\n"
              "event: type 0 (device list) value 1\n");
}

}  // namespace
}  // namespace qev::client::qevctl
