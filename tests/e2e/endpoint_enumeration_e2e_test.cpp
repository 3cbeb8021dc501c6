// The server's endpoint lists on the simulated laptop (sim/machines/default.reg), seen by a client:
// which endpoints QevIntfEnum lists and which names QevIntfCreate finds. The expected names are the
// machine file's friendly names ({a45c254e-df1c-4efd-8020-67d146a850e0},14) of its active endpoints.
// The machine is cleared when the test program ends (qevsim_machine_cleanup).
#include "captured_run.h"
#include "e2e_harness.h"

#include "client/qev_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace qev::e2e {
namespace {

using namespace std::chrono_literals;
using client::QevClient;
using ::testing::UnorderedElementsAre;

constexpr auto kToolTimeout = 60s;
// Enumeration types, and the endpoint types the Config log line names.
constexpr std::uint32_t kCapture = 0;
constexpr std::uint32_t kRender = 1;
constexpr std::uint32_t kNotCarriedOut = 1;

constexpr char kNoDevice[] = "[qev] cannot get device from context\n";

// "Z:\..." form of the machine file (Wine maps the Unix root to Z:).
std::wstring machine_file(const std::string& name)
{
    const std::string unix_path = std::string(QEV_MACHINES_DIR) + "/" + name + ".reg";
    std::wstring path = L"Z:";
    for (const char c : unix_path) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

void run_qevsim(const std::wstring& arguments)
{
    const CapturedRun run = run_captured(build_file(L"sim/qevsim.exe"), arguments, kToolTimeout);
    ASSERT_TRUE(run.finished) << "qevsim " << std::string(arguments.begin(), arguments.end());
    ASSERT_EQ(run.exit_code, 0u) << "qevsim " << std::string(arguments.begin(), arguments.end()) << "\n"
                                 << run.out << run.err;
}

class EndpointEnumerationE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The machine is in place before the server reads its endpoint lists at start.
        ASSERT_NO_FATAL_FAILURE(run_qevsim(L"register"));
        ASSERT_NO_FATAL_FAILURE(run_qevsim(L"load \"" + machine_file("default") + L"\""));
        ASSERT_TRUE(log_.start());
        ASSERT_TRUE(server_.start());
        client_ = connect();
    }

    static std::unique_ptr<QevClient> connect()
    {
        client::ClientOptions options;
        // The first start of the server in a prefix can take many seconds under Wine.
        options.connect_timeout = kLogTimeout;
        return std::make_unique<QevClient>(options);
    }

    // Creates with the given names; expects a handle when an endpoint matches, "not carried out"
    // otherwise, and returns the server's lines written meanwhile.
    std::vector<std::string> create_and_collect(const client::DeviceNames& names, bool matches = true)
    {
        const size_t before = log_.lines_of(server_.pid()).size();
        const auto reply = client_->create(names);
        EXPECT_EQ(reply.result, matches ? 0u : kNotCarriedOut);
        EXPECT_EQ(reply.handle != 0, matches);
        EXPECT_TRUE(log_.sync(kLogTimeout));
        const std::vector<std::string> lines = log_.lines_of(server_.pid());
        return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end());
    }

    // True when one of the lines is the matched-name line for `name` and `type`.
    static bool has_config_line(const std::vector<std::string>& lines, const std::string& name, std::uint32_t type)
    {
        const std::string head = "[qev] cntx result: dev:" + name + ", devtype:" + std::to_string(type) + " devid:{";
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.rfind(head, 0) == 0; });
    }

    static bool has_line(const std::vector<std::string>& lines, const std::string& wanted)
    {
        return std::find(lines.begin(), lines.end(), wanted) != lines.end();
    }

    LogWatcher log_;
    ServerProcess server_;
    std::unique_ptr<QevClient> client_;
};

TEST_F(EndpointEnumerationE2e, CaptureListHasTheActiveMicrophonesOnly)
{
    const auto reply = client_->enumerate(kCapture);
    EXPECT_EQ(reply.result, 0u);
    EXPECT_EQ(reply.count, 3u);
    // Stereo Mix is disabled on this machine.
    EXPECT_THAT(reply.names,
                UnorderedElementsAre("Microphone Array (Conexant SmartAudio HD)", "Microphone (USB Headset)",
                                     "Headset Microphone (WH-1000XM4 Hands-Free AG Audio)"));
}

TEST_F(EndpointEnumerationE2e, RenderListHasTheActiveOutputs)
{
    const auto reply = client_->enumerate(kRender);
    EXPECT_EQ(reply.result, 0u);
    EXPECT_EQ(reply.count, 3u);
    EXPECT_THAT(reply.names, UnorderedElementsAre("Speakers (Conexant SmartAudio HD)", "Speakers (USB Headset)",
                                                  "Headset (WH-1000XM4 Hands-Free AG Audio)"));
}

TEST_F(EndpointEnumerationE2e, CaptureNameIsFoundAndGetsAHandle)
{
    const std::string name = "Microphone Array (Conexant SmartAudio HD)";
    const auto lines = create_and_collect({name, ""});
    EXPECT_FALSE(has_line(lines, kNoDevice));
    EXPECT_TRUE(has_config_line(lines, name, kCapture)) << ::testing::PrintToString(lines);
}

TEST_F(EndpointEnumerationE2e, RenderNameIsFoundAsSecondaryDevice)
{
    const std::string name = "Speakers (USB Headset)";
    const auto lines = create_and_collect({"", name});
    EXPECT_FALSE(has_line(lines, kNoDevice));
    EXPECT_TRUE(has_config_line(lines, name, kRender)) << ::testing::PrintToString(lines);
}

TEST_F(EndpointEnumerationE2e, RenderNameGivenAsPrimaryFallsBackToTheRenderList)
{
    const std::string name = "Headset (WH-1000XM4 Hands-Free AG Audio)";
    const auto lines = create_and_collect({name, ""});
    EXPECT_FALSE(has_line(lines, kNoDevice));
    EXPECT_TRUE(has_config_line(lines, name, kRender)) << ::testing::PrintToString(lines);
}

TEST_F(EndpointEnumerationE2e, NameMatchIgnoresCase)
{
    const auto lines = create_and_collect({"microphone (usb headset)", ""});
    EXPECT_FALSE(has_line(lines, kNoDevice));
    EXPECT_TRUE(has_config_line(lines, "microphone (usb headset)", kCapture)) << ::testing::PrintToString(lines);
}

TEST_F(EndpointEnumerationE2e, UnknownNameIsNotFound)
{
    const auto lines = create_and_collect({"No Such Endpoint 7f3c", ""}, false);
    EXPECT_TRUE(has_line(lines, kNoDevice)) << ::testing::PrintToString(lines);
    EXPECT_FALSE(has_config_line(lines, "No Such Endpoint 7f3c", kCapture));
    EXPECT_FALSE(has_config_line(lines, "No Such Endpoint 7f3c", kRender));
}

TEST_F(EndpointEnumerationE2e, DisabledEndpointIsNotFound)
{
    const auto lines = create_and_collect({"Stereo Mix (Conexant SmartAudio HD)", ""}, false);
    EXPECT_TRUE(has_line(lines, kNoDevice)) << ::testing::PrintToString(lines);
}

TEST_F(EndpointEnumerationE2e, FailedCreateLeavesTheServerAnswering)
{
    create_and_collect({"No Such Endpoint 7f3c", ""}, false);
    const auto reply = client_->enumerate(kCapture);
    EXPECT_EQ(reply.result, 0u);
    EXPECT_EQ(reply.count, 3u);
}

}  // namespace
}  // namespace qev::e2e
