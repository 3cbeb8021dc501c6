#include "child_process.h"
#include "dbwin_reader.h"
#include "e2e_paths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using qev::base::UniqueKernelHandle;

constexpr auto kStartTimeout = 30s;
constexpr DWORD kExitTimeoutMs = 60000;

std::string temp_file_path(const char* name)
{
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name + "_" + std::to_string(GetCurrentProcessId()) + ".txt";
}

std::string read_all(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// Runs qevlog.exe with the given options plus --out and --ready-event, and waits until it listens.
class QevlogRun {
public:
    explicit QevlogRun(const std::string& options)
        : out_path_(temp_file_path("qevlog_out")),
          ready_event_name_("qevlog_test_ready_" + std::to_string(GetCurrentProcessId())),
          ready_(CreateEventA(nullptr, TRUE, FALSE, ready_event_name_.c_str()))
    {
        DeleteFileA(out_path_.c_str());
        std::string error;
        const std::string args = options + " --out " + out_path_ + " --ready-event " + ready_event_name_;
        started_ = process_.start(qev::e2e::qevlog_exe_path(), widen(args), error);
        EXPECT_TRUE(started_) << error;
    }
    ~QevlogRun()
    {
        process_.terminate();
        DeleteFileA(out_path_.c_str());
    }

    bool wait_listening() const
    {
        return started_ && ready_ &&
               WaitForSingleObject(
                   ready_.get(), static_cast<DWORD>(std::chrono::milliseconds(kStartTimeout).count())) == WAIT_OBJECT_0;
    }
    std::optional<DWORD> exit_code() const { return process_.wait_exit(std::chrono::milliseconds(kExitTimeoutMs)); }
    std::string output() const { return read_all(out_path_); }

private:
    qev::e2e::ChildProcess process_;
    std::string out_path_;
    std::string ready_event_name_;
    UniqueKernelHandle ready_;
    bool started_ = false;
};

std::string own_line(const std::string& text)
{
    std::string line(1, '[');  // piecewise: GCC 12 warns falsely (-Wrestrict) on "[" + std::string
    line += std::to_string(GetCurrentProcessId());
    line += "] ";
    line += text;
    return line;
}

TEST(QevlogExe, SeenTextEndsWithZeroAndTheLinesAreWritten)
{
    QevlogRun run("--wait-for qevlog-exe-marker --timeout 60000");
    ASSERT_TRUE(run.wait_listening());
    OutputDebugStringA("before the marker\n");
    OutputDebugStringA("here is the qevlog-exe-marker\n");
    EXPECT_EQ(run.exit_code(), 0u);
    EXPECT_EQ(run.output(), own_line("before the marker\n") + own_line("here is the qevlog-exe-marker\n"));
}

TEST(QevlogExe, TimeOutBeforeTheTextEndsWithOne)
{
    QevlogRun run("--wait-for never-written-text --timeout 500");
    ASSERT_TRUE(run.wait_listening());
    OutputDebugStringA("something else\n");
    EXPECT_EQ(run.exit_code(), 1u);
}

TEST(QevlogExe, PidFilterHidesOtherProcesses)
{
    // Process id 4 is never a test process; our own lines must neither show nor match.
    QevlogRun run("--pid 4 --wait-for filtered-marker --timeout 1500");
    ASSERT_TRUE(run.wait_listening());
    OutputDebugStringA("filtered-marker\n");
    EXPECT_EQ(run.exit_code(), 1u);
    EXPECT_EQ(run.output(), "");
}

TEST(QevlogExe, PidFilterShowsTheChosenProcess)
{
    QevlogRun run("--pid " + std::to_string(GetCurrentProcessId()) + " --wait-for chosen-marker --timeout 60000");
    ASSERT_TRUE(run.wait_listening());
    OutputDebugStringA("chosen-marker\n");
    EXPECT_EQ(run.exit_code(), 0u);
    EXPECT_EQ(run.output(), own_line("chosen-marker\n"));
}

TEST(QevlogExe, RefusesToRunBesideAnotherReader)
{
    qev::tools::DbwinReader reader([](const qev::tools::DbwinLine&) {});
    std::string error;
    ASSERT_TRUE(reader.start(error)) << error;
    QevlogRun run("--timeout 60000");
    EXPECT_EQ(run.exit_code(), 2u);
}

TEST(QevlogExe, BadCommandLineEndsWithTwo)
{
    qev::e2e::ChildProcess process;
    std::string error;
    ASSERT_TRUE(process.start(qev::e2e::qevlog_exe_path(), L"--pid twelve", error)) << error;
    EXPECT_EQ(process.wait_exit(std::chrono::milliseconds(kExitTimeoutMs)), 2u);
}

}  // namespace
