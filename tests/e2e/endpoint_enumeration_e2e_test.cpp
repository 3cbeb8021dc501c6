// The server's endpoint lists on the simulated laptop (sim/machines/default.reg), seen by a client:
// which endpoints QevIntfEnum lists and which names QevIntfCreate finds. The expected names are the
// machine file's friendly names ({a45c254e-df1c-4efd-8020-67d146a850e0},14) of its active endpoints.
// The machine is cleared when the test program ends (qevsim_machine_cleanup).
#include "e2e_harness.h"
#include "sim_machine.h"

#include "client/qev_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace qev::e2e {
namespace {

using client::QevClient;
using ::testing::UnorderedElementsAre;

// Enumeration types, and the endpoint types the Config log line names.
constexpr std::uint32_t kCapture = 0;
constexpr std::uint32_t kRender = 1;
constexpr std::uint32_t kNotCarriedOut = 1;

constexpr char kNoDevice[] = "[qev] cannot get device from context\n";

TEST(EndpointEnumerationE2e, ListsHoldTheActiveEndpointsAndCreateFindsTheirNames)
{
    // The machine is in place before the server reads its endpoint lists at start.
    ASSERT_NO_FATAL_FAILURE(winaudio::test::SimMachine::Load("default"));
    LogWatcher log;
    ASSERT_TRUE(log.start());
    ServerProcess server;
    ASSERT_TRUE(server.start());
    client::ClientOptions options;
    options.connect_timeout = kLogTimeout;
    QevClient client(options);
    // Stereo Mix is disabled on this machine.
    const auto captures = client.enumerate(kCapture);
    EXPECT_EQ(std::pair(captures.result, captures.count), std::pair(0u, 3u));
    EXPECT_THAT(captures.names,
                UnorderedElementsAre("Microphone Array (Conexant SmartAudio HD)", "Microphone (USB Headset)",
                                     "Headset Microphone (WH-1000XM4 Hands-Free AG Audio)"));
    const auto renders = client.enumerate(kRender);
    EXPECT_EQ(std::pair(renders.result, renders.count), std::pair(0u, 3u));
    EXPECT_THAT(renders.names, UnorderedElementsAre("Speakers (Conexant SmartAudio HD)", "Speakers (USB Headset)",
                                                    "Headset (WH-1000XM4 Hands-Free AG Audio)"));
    const struct {
        client::DeviceNames names;
        std::optional<std::uint32_t> found_as;  // the endpoint type the Config line names
    } rows[] = {
        {{"Microphone Array (Conexant SmartAudio HD)", ""}, kCapture},
        {{"", "Speakers (USB Headset)"}, kRender},
        // A render name given as primary falls back to the render list.
        {{"Headset (WH-1000XM4 Hands-Free AG Audio)", ""}, kRender},
        {{"microphone (usb headset)", ""}, kCapture},
        {{"No Such Endpoint 7f3c", ""}, std::nullopt},
        {{"Stereo Mix (Conexant SmartAudio HD)", ""}, std::nullopt},
    };
    for (const auto& row : rows) {
        const std::string& name = row.names.primary.empty() ? row.names.secondary : row.names.primary;
        SCOPED_TRACE(name);
        const size_t before = log.lines_of(server.pid()).size();
        const auto reply = client.create(row.names);
        EXPECT_EQ(reply.result, row.found_as ? 0u : kNotCarriedOut);
        EXPECT_EQ(reply.handle != 0, row.found_as.has_value());
        ASSERT_TRUE(log.sync(kLogTimeout));
        const std::vector<std::string> all = log.lines_of(server.pid());
        const std::vector<std::string> lines(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        EXPECT_EQ(std::count(lines.begin(), lines.end(), kNoDevice), row.found_as ? 0 : 1);
        const std::string head = "[qev] cntx result: dev:" + name +
                                 ", devtype:" + std::to_string(row.found_as.value_or(kCapture)) + " devid:{";
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.rfind(head, 0) == 0; }),
                  row.found_as ? 1 : 0)
            << ::testing::PrintToString(lines);
    }
    // A failed create leaves the server answering.
    EXPECT_EQ(client.enumerate(kCapture).count, 3u);
}

}  // namespace
}  // namespace qev::e2e
