#include "command_line.h"
#include "command_runner.h"
#include "fake_pipe_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace qev::client::qevctl {
namespace {

using Bytes = std::vector<std::uint8_t>;

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

// Create gives handle 7, Get reads 42.5, GetStatus reads 2, Destroy answers the undefined result 2,
// GetSerialized returns the bytes 1 2 3, and Stop is answered with garbage.
std::optional<Bytes> scripted_server(const Bytes& request)
{
    const auto& message = *wire::GetIpcMessage(request.data());
    const std::string name = message.name()->str();
    if (name == "QevIntfStop") {
        return Bytes{1, 2, 3};
    }
    flatbuffers::FlatBufferBuilder b;
    const auto text = b.CreateString(name);
    const auto param = name == "QevIntfGet" ? wire::CreateParamDirect(b, message.param()->name()->c_str(), 42.5f)
                                            : flatbuffers::Offset<wire::Param>();
    const std::vector<std::uint8_t> data{1, 2, 3};
    const auto out = name == "QevIntfGetSerialized" ? wire::CreateSerializedParamDirect(b, "win_reg", 3, &data)
                                                    : flatbuffers::Offset<wire::SerializedParam>();
    return testing::finish(
        b, wire::CreateIpcMessage(b, text, nullptr, 0, 0, param, 0, name == "QevIntfGetStatus" ? 2 : 0, 0,
                                  name == "QevIntfCreate" ? 7 : 0, name == "QevIntfDestroy" ? 2 : 0, 0, out));
}

// A request as "name handle" and the fields it carries.
std::string described(const Bytes& request)
{
    const auto& message = *wire::GetIpcMessage(request.data());
    std::ostringstream text;
    text << message.name()->str() << ' ' << message.handle();
    if (const auto* config = message.config()) {
        text << ' ' << config->primary_device()->str() << '/' << config->secondary_device()->str();
    }
    if (const auto* param = message.param()) {
        text << ' ' << param->name()->str() << '=' << param->value();
    }
    if (const auto* in = message.serialized_in()) {
        text << ' ' << in->name()->str() << ' ' << in->size() << " [";
        for (const auto byte : *in->data()) {
            text << ' ' << +byte;
        }
        text << " ]";
    }
    return text.str();
}

TEST(QevctlRun, CommandsPrintTheirAnswersAndStopAtTheFirstFailure)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string in = std::string(temp) + "qevctl_test_in.bin";
    const std::string out = std::string(temp) + "qevctl_test_out.bin";
    std::ofstream(in, std::ios::binary).write("\x05\x00\x07", 3);
    const struct {
        std::string command_line;
        int exit_code;
        std::string err;
        std::string out = "";
        std::vector<std::string> requests = {};
    } cases[] = {
        {"create --primary Mic --secondary Speakers , set last nr_level 60.5 , get last nr_level , status last",
         kExitOk,
         "",
         "handle: 7\nnr_level: 42.5\nstatus: 2\n",
         {"QevIntfCreate 0 Mic/Speakers", "QevIntfSet 7 nr_level=60.5", "QevIntfGet 7 nr_level=0",
          "QevIntfGetStatus 7"}},
        {"destroy 9 , start 9", kExitResult, "QevIntfDestroy: result 2 (unknown result)\n", "", {"QevIntfDestroy 9"}},
        {"stop 1 , start 1",
         kExitTransport,
         "qevctl: QevIntfStop: reply is not a valid message\n",
         "",
         {"QevIntfStop 1"}},
        {"set-serialized 2 win_reg " + in + " , get-serialized 2 win_reg " + out + " --in " + in,
         kExitOk,
         "",
         "win_reg: 3 bytes written to " + out + "\n",
         {"QevIntfSetSerialized 2 win_reg 3 [ 5 0 7 ]", "QevIntfGetSerialized 2 win_reg 3 [ 5 0 7 ]"}},
        {"watch --seconds 1", kExitOk, "",
         "event: type 5 (parameter changed) value 3 text nr_level\nevent: type 0 (device list) value 1\n"},
        {"start last", kExitUsage, "qevctl: \"last\" used before a successful create\n"},
        {"start 1 , get 1", kExitUsage, "qevctl: get: wrong number of arguments\n"},
        {"frobnicate", kExitUsage, "qevctl: unknown command \"frobnicate\" (see --help)\n"},
        {"enum 256", kExitUsage, "qevctl: enum: expected capture, render, algorithms or a number 0-255\n"},
        {"set one nr_level 60", kExitUsage, "qevctl: set: not a handle: one\n"},
        {"set 1 nr_level 60x", kExitUsage, "qevctl: set: not a number: 60x\n"},
        {"create --tertiary x", kExitUsage,
         "qevctl: create: expected --primary NAME or --secondary NAME, got --tertiary\n"},
        {"watch --seconds", kExitUsage, "qevctl: watch: expected [--seconds N]\n"},
        {"set-serialized 1 win_reg Z:\\no\\such.bin", kExitUsage,
         "qevctl: set-serialized: cannot read Z:\\no\\such.bin\n"},
    };
    for (const auto& c : cases) {
        client::testing::FakePipeServer server(scripted_server);
        std::ostringstream printed;
        std::ostringstream errors;
        EventQueue events;
        events.push(client::Event{5, 3, "nr_level"});
        events.push(client::Event{0, 1, ""});
        std::istringstream line(c.command_line);
        std::string error;
        const auto invocation = parse_command_line({std::istream_iterator<std::string>(line), {}}, error);
        ASSERT_TRUE(invocation) << error;
        {
            client::QevClient client(server.client_options());
            EXPECT_EQ(CommandRunner(printed, errors).run(client, events, invocation->commands), c.exit_code)
                << c.command_line;
        }
        EXPECT_EQ(printed.str(), c.out) << c.command_line;
        EXPECT_EQ(errors.str(), c.err) << c.command_line;
        std::vector<std::string> requests;
        for (const auto& request : server.requests()) {
            requests.push_back(described(request));
        }
        EXPECT_EQ(requests, c.requests) << c.command_line;
    }
    std::ifstream written(out, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(written), {}), (Bytes{1, 2, 3}));
    written.close();
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
}  // namespace qev::client::qevctl
