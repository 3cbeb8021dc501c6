// The process entry of qEvSwServer.exe seen from outside: command line, roles, usage text, the
// hidden session window and the exit codes.
#include "e2e_harness.h"

#include <wtsapi32.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace qev::e2e {

namespace {

using namespace std::chrono_literals;
using qev::e2e::kExitMinusOne;
using qev::e2e::kLogTimeout;
using qev::e2e::LogWatcher;
using qev::e2e::ServerProcess;
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

TEST_F(ProcessEntry, EmptyCommandLineRunsTheRpcRole)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L""));
    EXPECT_THAT(configuration_of(server), ElementsAre("[qev] configurations:\n", "[qev]   server_type: rpc\n"));
    EXPECT_NE(server.wait_for_window(kLogTimeout), nullptr);
    EXPECT_TRUE(server.running());
}

TEST_F(ProcessEntry, ServerValueKeepsEverythingAfterTheFirstEquals)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L"--server=a=b"));
    EXPECT_THAT(configuration_of(server), ElementsAre("[qev] configurations:\n", "[qev]   server_type: a=b\n"));
    // Any value but "session_monitor" is the RPC role.
    EXPECT_NE(server.wait_for_window(kLogTimeout), nullptr);
}

TEST_F(ProcessEntry, TabDoesNotSeparateTokens)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L"--server=session_monitor\tx"));
    EXPECT_THAT(configuration_of(server),
                ElementsAre("[qev] configurations:\n", "[qev]   server_type: session_monitor\tx\n"));
    EXPECT_NE(server.wait_for_window(kLogTimeout), nullptr);
}

TEST_F(ProcessEntry, SessionMonitorRoleFailsHonestlyWithoutWindow)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L"--server=session_monitor --apo"));
    // Polling for the window while the process lives: the role must never create one.
    EXPECT_EQ(server.wait_for_window(kExitTimeout), nullptr);
    EXPECT_EQ(server.wait_exit(kExitTimeout), kExitMinusOne);
    ASSERT_TRUE(log_.sync(kLogTimeout));
    const auto lines = log_.lines_of(server.pid());
    EXPECT_THAT(configuration_of(server),
                ElementsAre("[qev] configurations:\n", "[qev]   server_type: session_monitor\n"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[qev] fail to start session monitor server\n"), 1);
    EXPECT_EQ(count_containing(lines, "rpc server"), 0u);
    EXPECT_EQ(count_containing(lines, "re-enrollment"), 0u);
}

TEST_F(ProcessEntry, RpcRoleStartsTheReenrollmentPass)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L"--apo"));
    EXPECT_TRUE(log_.wait_for_text(server.pid(), "re-enrollment pass", kLogTimeout));
    EXPECT_TRUE(server.running());
}

TEST_F(ProcessEntry, SessionChangesReachTheWindowProcedure)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L""));
    const HWND window = server.wait_for_window(kLogTimeout);
    ASSERT_NE(window, nullptr);
    // Lock (7) is not one of the reasons; logon (5) is. Messages are handled in order, so once the
    // logon call is logged the lock message has been handled too.
    ASSERT_TRUE(PostMessageW(window, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1));
    ASSERT_TRUE(PostMessageW(window, WM_WTSSESSION_CHANGE, WTS_SESSION_LOGON, 1));
    ASSERT_TRUE(log_.wait_for_text(server.pid(), "sync_user_enrollment", kLogTimeout));
    ASSERT_TRUE(log_.sync(kLogTimeout));
    EXPECT_EQ(count_containing(log_.lines_of(server.pid()), "sync_user_enrollment"), 1u);

    ASSERT_TRUE(PostMessageW(window, WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 1));
    ASSERT_TRUE(PostMessageW(window, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1));
    const auto is_sync = [](const std::string& line) { return line.find("sync_user_enrollment") != std::string::npos; };
    EXPECT_TRUE(log_.wait_for_matches(server.pid(), is_sync, 3, kLogTimeout));
    ASSERT_TRUE(log_.sync(kLogTimeout));
    EXPECT_EQ(count_containing(log_.lines_of(server.pid()), "sync_user_enrollment"), 3u);
    EXPECT_TRUE(server.running());
}

TEST_F(ProcessEntry, QuitMessageFromOutsideShutsDownCleanly)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(L""));
    const HWND window = server.wait_for_window(kLogTimeout);
    ASSERT_NE(window, nullptr);
    // The loop runs on the thread that made the window; stop() and wait() of the RPC server follow.
    const DWORD main_thread = GetWindowThreadProcessId(window, nullptr);
    ASSERT_TRUE(PostThreadMessageW(main_thread, WM_QUIT, 0, 0));
    EXPECT_EQ(server.wait_exit(kExitTimeout), 0u);
}

TEST_F(ProcessEntry, SecondInstanceGivesUpAfterAboutFiveSeconds)
{
    ServerProcess first;
    ASSERT_TRUE(first.start(L""));
    ASSERT_NE(first.wait_for_window(kLogTimeout), nullptr);

    ServerProcess second;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(second.start(L""));
    EXPECT_EQ(second.wait_exit(kExitTimeout), kExitMinusOne);
    const auto elapsed = std::chrono::steady_clock::now() - started;
    // 11 attempts with 10 pauses of 500 ms: never sooner than 5 s.
    EXPECT_GE(elapsed, 4900ms);
    ASSERT_TRUE(log_.sync(kLogTimeout));
    EXPECT_TRUE(log_.wait_for_line(second.pid(), "[qev] fail to start rpc server\n", kLogTimeout));
    const auto lines = log_.lines_of(second.pid());
    EXPECT_EQ(count_containing(lines, "rpc server already running.\n"), 1u);
    EXPECT_TRUE(first.running());
}

}  // namespace

}  // namespace qev::e2e
