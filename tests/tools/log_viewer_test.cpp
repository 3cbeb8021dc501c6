#include "log_viewer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

using qev::tools::DbwinLine;
using qev::tools::format_line;
using qev::tools::LogViewer;
using qev::tools::QevlogOptions;

TEST(FormatLine, PrefixesTheProcessIdAndEndsTheLine)
{
    EXPECT_EQ(format_line({42, "[qev] configurations:\n"}), "[42] [qev] configurations:\n");
    EXPECT_EQ(format_line({7, "no newline"}), "[7] no newline\n");
    EXPECT_EQ(format_line({7, ""}), "[7] \n");
}

TEST(FormatLine, EveryLineOfAMessageGetsItsOwnPrefix)
{
    EXPECT_EQ(format_line({3, "a\nb\n"}), "[3] a\n[3] b\n");
    EXPECT_EQ(format_line({3, "a\n\nb"}), "[3] a\n[3] \n[3] b\n");
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class LogViewerTest : public ::testing::Test {
protected:
    std::string written()
    {
        std::fflush(file_.get());
        std::rewind(file_.get());
        std::string text;
        char chunk[256];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof(chunk), file_.get())) > 0) {
            text.append(chunk, got);
        }
        return text;
    }

    std::unique_ptr<std::FILE, FileCloser> file_{std::tmpfile()};
};

TEST_F(LogViewerTest, ShowsOnlyTheChosenProcesses)
{
    ASSERT_TRUE(file_);
    QevlogOptions options;
    options.pids = {10, 30};
    LogViewer viewer(options, file_.get());
    viewer.accept({10, "one\n"});
    viewer.accept({20, "two\n"});
    viewer.accept({30, "three\n"});
    EXPECT_EQ(written(), "[10] one\n[30] three\n");
}

TEST_F(LogViewerTest, ShowsEverythingWithoutAFilter)
{
    ASSERT_TRUE(file_);
    LogViewer viewer(QevlogOptions{}, file_.get());
    viewer.accept({1, "a\n"});
    viewer.accept({2, "b\n"});
    EXPECT_EQ(written(), "[1] a\n[2] b\n");
}

TEST_F(LogViewerTest, AwaitedTextEndsTheWaitWithZero)
{
    ASSERT_TRUE(file_);
    QevlogOptions options;
    options.wait_for = "server_type: rpc";
    options.timeout_ms = 60000;
    LogViewer viewer(options, file_.get());
    std::thread writer([&viewer] {
        viewer.accept({5, "[qev] configurations:\n"});
        viewer.accept({5, "[qev]   server_type: rpc\n"});
    });
    EXPECT_EQ(viewer.wait(), LogViewer::kDone);
    writer.join();
}

TEST_F(LogViewerTest, TextOfAFilteredProcessDoesNotCount)
{
    ASSERT_TRUE(file_);
    QevlogOptions options;
    options.pids = {5};
    options.wait_for = "ready";
    options.timeout_ms = 200;
    LogViewer viewer(options, file_.get());
    viewer.accept({6, "ready\n"});
    EXPECT_EQ(viewer.wait(), LogViewer::kTimedOut);
    EXPECT_EQ(written(), "");
}

TEST_F(LogViewerTest, TimeOutWithoutTextIsANormalEnd)
{
    ASSERT_TRUE(file_);
    QevlogOptions options;
    options.timeout_ms = 50;
    LogViewer viewer(options, file_.get());
    EXPECT_EQ(viewer.wait(), LogViewer::kDone);
}

TEST_F(LogViewerTest, MissingTextTimesOutWithOne)
{
    ASSERT_TRUE(file_);
    QevlogOptions options;
    options.wait_for = "never";
    options.timeout_ms = 50;
    LogViewer viewer(options, file_.get());
    viewer.accept({1, "something else\n"});
    EXPECT_EQ(viewer.wait(), LogViewer::kTimedOut);
}

}  // namespace
