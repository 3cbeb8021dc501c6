#include "dbwin_reader.h"

#include "e2e_harness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using namespace std::chrono_literals;
using qev::e2e::LogWatcher;

class DbwinReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(log_.start()); }

    // What `pid` wrote, once there are `count` messages or 30 s have passed.
    std::vector<std::string> texts_of(DWORD pid, size_t count)
    {
        log_.wait_for_matches(pid, [](const std::string&) { return true; }, count, 30s);
        return log_.lines_of(pid);
    }

    LogWatcher log_;
    std::string error_;
    const DWORD own_ = GetCurrentProcessId();
};

// Narrow and wide text arrives as written; a message longer than the buffer is cut, not overrun.
TEST_F(DbwinReaderTest, DeliversEachMessageWithItsWriter)
{
    const std::string big(10000, 'z');
    OutputDebugStringA("first\n");
    OutputDebugStringW(L"wide line\n");
    OutputDebugStringA(big.c_str());
    OutputDebugStringA("last, no newline");
    const auto texts = texts_of(own_, 4);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "first\n");
    EXPECT_EQ(texts[1], "wide line\n");
    EXPECT_GT(texts[2].size(), 4000u);
    EXPECT_LE(texts[2].size(), 4092u);
    EXPECT_EQ(texts[2], big.substr(0, texts[2].size()));
    EXPECT_EQ(texts[3], "last, no newline");
}

TEST_F(DbwinReaderTest, BurstFromFourProcessesLosesNothing)
{
    constexpr int kLines = 10000;
    std::array<qev::e2e::ChildProcess, 4> writers;
    for (size_t i = 0; i < writers.size(); ++i) {
        const std::wstring args = L"w" + std::to_wstring(i) + L" " + std::to_wstring(kLines);
        ASSERT_TRUE(writers[i].start(qev::e2e::build_file(L"tests/tools/dbwin_burst_writer.exe"), args, error_))
            << error_;
    }
    for (size_t i = 0; i < writers.size(); ++i) {
        EXPECT_EQ(writers[i].wait_exit(180s), 0u) << "writer " << i;
        const auto texts = texts_of(writers[i].pid(), kLines);
        ASSERT_EQ(texts.size(), static_cast<size_t>(kLines)) << "writer " << i;
        const std::string tag = std::string("w").append(std::to_string(i)).append(" ");
        for (int n = 0; n < kLines; ++n) {
            ASSERT_EQ(texts[static_cast<size_t>(n)], tag + std::to_string(n) + "\n") << "writer " << i;
        }
    }
}

// A second reader is refused while one runs. A reader that goes away while a writer waits for the
// buffer leaves the DBWIN objects alive in that writer, possibly with a message written but never
// read: the next reader (here the same one, started again) takes the objects over and delivers that
// message first. The test plays the waiting writer itself.
TEST_F(DbwinReaderTest, OneReaderAtATimeAndTheNextTakesOverObjectsAWriterKeptAlive)
{
    qev::tools::DbwinReader other([](const qev::tools::DbwinLine&) {});
    EXPECT_FALSE(other.start(error_));
    EXPECT_THAT(error_, ::testing::HasSubstr("another debug-output reader"));
    using qev::base::UniqueKernelHandle;
    const UniqueKernelHandle data_ready(OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, L"DBWIN_DATA_READY"));
    const UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"DBWIN_BUFFER"));
    ASSERT_TRUE(data_ready && mapping);
    log_.stop();
    {
        // No reader runs now: write a message into the buffer and announce it, as a writer would.
        const qev::base::UniqueMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 4096));
        ASSERT_TRUE(view);
        auto* bytes = static_cast<char*>(view.get());
        const DWORD pid = 4242;
        std::memcpy(bytes, &pid, sizeof(pid));
        std::strcpy(bytes + sizeof(pid), "left behind\n");
        ASSERT_TRUE(SetEvent(data_ready.get()));
    }
    ASSERT_TRUE(log_.start());
    EXPECT_EQ(texts_of(4242, 1), std::vector<std::string>{"left behind\n"});
    OutputDebugStringA("after the take-over\n");
    EXPECT_EQ(texts_of(own_, 1), std::vector<std::string>{"after the take-over\n"});
}

}  // namespace
