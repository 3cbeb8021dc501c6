// The process entry of qEvSwServer.exe seen from outside: command line, roles, usage text, the
// hidden session window and the exit codes.
#include "e2e_harness.h"

#include "rpc/cmd_service.h"
#include "rpc/wire_constants.h"

#include <wtsapi32.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace qev::e2e {

namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr auto kExitTimeout = 60s;

size_t count_containing(const std::vector<std::string>& lines, const std::string& text)
{
    return static_cast<size_t>(std::count_if(
        lines.begin(), lines.end(), [&text](const std::string& line) { return line.find(text) != std::string::npos; }));
}

// The watcher is declared first so the server, declared after it, ends before the reader does.
class ProcessEntry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(log_.start()); }

    // The server's configuration lines, in order, once both were logged.
    std::vector<std::string> configuration_of(const ServerProcess& server)
    {
        EXPECT_TRUE(log_.wait_for_text(server.pid(), "server_type: ", kLogTimeout));
        std::vector<std::string> lines;
        for (const std::string& line : log_.lines_of(server.pid())) {
            if (line == "[qev] configurations:\n" || line.rfind("[qev]   server_type: ", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    LogWatcher log_;
};

TEST_F(ProcessEntry, HelpLogsTheUsageInOrderAndExitsWithZero)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L"--server=session_monitor --help --server=x"));
    EXPECT_EQ(server.wait_exit(kExitTimeout), 0u);
    ASSERT_TRUE(log_.sync(kLogTimeout));
    EXPECT_THAT(log_.lines_of(server.pid()),
                ElementsAre("[qev] usage: qEvSwServer [option]...\n", "[qev] \n",
                            "[qev]   --apo               Activate qEvSwServer for APO scenario\n",
                            "[qev]   --help              Show this help list\n", "[qev] \n"));
}

// Any server value but "session_monitor" is the RPC role; the value keeps everything after the first
// equals sign, and a tab does not separate tokens. Logon, console connect and unlock publish the
// enrollment; lock does not. The start has published it once before the window exists; the quit
// message is handled after every change before it.
TEST_F(ProcessEntry, ServerValueIsLoggedAnyOtherThanTheMonitorRunsTheRpcRoleSessionChangesAndQuitReachIt)
{
    const std::pair<const wchar_t*, const char*> rows[] = {
        {L"", "[qev]   server_type: rpc\n"},
        {L"--server=a=b", "[qev]   server_type: a=b\n"},
        {L"--server=session_monitor\tx", "[qev]   server_type: session_monitor\tx\n"}};
    for (const auto& [arguments, line] : rows) {
        SCOPED_TRACE(line);
        ServerProcess server;
        ASSERT_TRUE(server.start(arguments));
        EXPECT_THAT(configuration_of(server), ElementsAre("[qev] configurations:\n", line));
        const HWND window = server.wait_for_window(kLogTimeout);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(log_.sync(kLogTimeout));
        const size_t at_start = count_containing(log_.lines_of(server.pid()), "sync_user_enrollment");
        for (const WPARAM reason : {WTS_SESSION_LOCK, WTS_SESSION_LOGON, WTS_CONSOLE_CONNECT, WTS_SESSION_UNLOCK}) {
            ASSERT_TRUE(PostMessageW(window, WM_WTSSESSION_CHANGE, reason, 1));
        }
        // A quit message from outside ends the loop on the thread that made the window, then the
        // server; ending it so also keeps a half-written debug line from blocking the next one.
        ASSERT_TRUE(PostThreadMessageW(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0));
        EXPECT_EQ(server.wait_exit(kExitTimeout), 0u);
        ASSERT_TRUE(log_.sync(kLogTimeout));
        EXPECT_EQ(count_containing(log_.lines_of(server.pid()), "sync_user_enrollment"), at_start + 3);
    }
}

TEST_F(ProcessEntry, SessionMonitorRoleRunsWithoutWindow)
{
    // The role's connection to a command pipe shows it started; a window would have come before.
    rpc::CmdService commandPipe(wire::kCommandPipe);
    std::thread accept([&commandPipe] { commandPipe.open_server(nullptr); });
    ServerProcess server;
    ASSERT_TRUE(server.start(L"--server=session_monitor --apo"));
    EXPECT_TRUE(log_.wait_for_line(server.pid(), "[qev] connect command channel ok\n", kLogTimeout));
    accept.join();
    EXPECT_EQ(server.wait_for_window(0s), nullptr);
    EXPECT_TRUE(server.running());
    ASSERT_TRUE(log_.sync(kLogTimeout));
    const auto lines = log_.lines_of(server.pid());
    EXPECT_THAT(configuration_of(server),
                ElementsAre("[qev] configurations:\n", "[qev]   server_type: session_monitor\n"));
    EXPECT_EQ(count_containing(lines, "fail to start"), 0u);
    EXPECT_EQ(count_containing(lines, "rpc server"), 0u);
    EXPECT_EQ(count_containing(lines, "re-enrollment"), 0u);
}

}  // namespace

}  // namespace qev::e2e
