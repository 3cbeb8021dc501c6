// qevctl against the real server: what it prints and how it exits.
#include "captured_run.h"
#include "e2e_harness.h"

#include <gtest/gtest.h>

namespace qev::e2e {
namespace {

using namespace std::chrono_literals;

TEST(QevctlE2e, PrintsRepliesAndExplainsFailuresWithItsExitCode)
{
    LogWatcher log;
    ASSERT_TRUE(log.start());
    ServerProcess server;
    ASSERT_TRUE(server.start());
    const struct {
        const wchar_t* arguments;
        DWORD exit_code;
        const char* out;
        const char* err;  // or, with no server, a part of it
    } rows[] = {
        {L"info , enum algorithms", 0,
         "info: 1 601 2777 0\ncount: 10\ndmvp\neuphonic_mic\ngeneral\nlisten\nlistening_normalization\n"
         "nb_as_speakerphone\nprivate\nshotgun_bf\nvpnr\nwhisper\n",
         ""},
        // Stopped before "info".
        {L"create --primary \"No Such Endpoint 7f3c\" , info", 1, "", "QevIntfCreate: result 1 (not carried out)\n"},
        {L"enum 3", 1, "", "QevIntfEnum: result 5 (unknown enumeration type)\n"},
        {L"status 4242", 1, "", "QevIntfGetStatus: result 3 (invalid argument)\n"},
        {L"start last", 2, "", "qevctl: \"last\" used before a successful create\n"},
        {nullptr, 3, "", "cannot open"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.err);
        if (row.arguments == nullptr) {
            server.terminate();
        }
        // The first start of the server in a prefix can take many seconds under Wine.
        const auto run = run_captured(
            build_file(L"client/qevctl.exe"),
            row.arguments ? L"--connect-timeout 30000 " + std::wstring(row.arguments) : L"--connect-timeout 500 info",
            60s);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exit_code, row.exit_code);
        EXPECT_EQ(run.out, row.out);
        if (row.arguments) {
            EXPECT_EQ(run.err, row.err);
        } else {
            EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
        }
    }
}

}  // namespace
}  // namespace qev::e2e
