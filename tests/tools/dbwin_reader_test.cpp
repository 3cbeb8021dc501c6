#include "dbwin_reader.h"

#include "child_process.h"
#include "e2e_paths.h"
#include "line_collector.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;
using qev::tools::DbwinLine;
using qev::tools::DbwinReader;

constexpr auto kArrival = 30s;

class DbwinReaderTest : public ::testing::Test {
protected:
    DbwinReader reader_{[this](const DbwinLine& line) { lines_.add(line); }};
    LineCollector lines_;
};

TEST_F(DbwinReaderTest, DeliversTextAndWriterPid)
{
    std::string error;
    ASSERT_TRUE(reader_.start(error)) << error;
    OutputDebugStringA("dbwin reader test: first\n");
    OutputDebugStringA("second, no newline");
    ASSERT_TRUE(lines_.wait_for(GetCurrentProcessId(), "second, no newline", kArrival));
    EXPECT_THAT(lines_.texts_of(GetCurrentProcessId()),
                ::testing::ElementsAre("dbwin reader test: first\n", "second, no newline"));
}

TEST_F(DbwinReaderTest, WideOutputArrivesAsText)
{
    std::string error;
    ASSERT_TRUE(reader_.start(error)) << error;
    OutputDebugStringW(L"wide line\n");
    EXPECT_TRUE(lines_.wait_for(GetCurrentProcessId(), "wide line\n", kArrival));
}

TEST_F(DbwinReaderTest, MessageLongerThanTheBufferIsCutNotOverrun)
{
    std::string error;
    ASSERT_TRUE(reader_.start(error)) << error;
    const std::string big(10000, 'z');
    OutputDebugStringA(big.c_str());
    OutputDebugStringA("after the long one\n");
    ASSERT_TRUE(lines_.wait_for(GetCurrentProcessId(), "after the long one\n", kArrival));
    const auto texts = lines_.texts_of(GetCurrentProcessId());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_GT(texts[0].size(), 4000u);
    EXPECT_LE(texts[0].size(), 4092u);
    EXPECT_EQ(texts[0], big.substr(0, texts[0].size()));
}

TEST_F(DbwinReaderTest, SecondReaderIsRefusedUntilTheFirstStops)
{
    std::string error;
    ASSERT_TRUE(reader_.start(error)) << error;
    LineCollector other_lines;
    DbwinReader other([&other_lines](const DbwinLine& line) { other_lines.add(line); });
    EXPECT_FALSE(other.start(error));
    EXPECT_THAT(error, ::testing::HasSubstr("another debug-output reader"));
    EXPECT_FALSE(other.running());

    reader_.stop();
    EXPECT_FALSE(reader_.running());
    ASSERT_TRUE(other.start(error)) << error;
    OutputDebugStringA("to the second reader\n");
    EXPECT_TRUE(other_lines.wait_for(GetCurrentProcessId(), "to the second reader\n", kArrival));
    EXPECT_TRUE(lines_.texts_of(GetCurrentProcessId()).empty());
}

TEST_F(DbwinReaderTest, StopsTwiceAndStartsAgain)
{
    std::string error;
    ASSERT_TRUE(reader_.start(error)) << error;
    EXPECT_FALSE(reader_.start(error));
    reader_.stop();
    reader_.stop();
    ASSERT_TRUE(reader_.start(error)) << error;
    OutputDebugStringA("after restart\n");
    EXPECT_TRUE(lines_.wait_for(GetCurrentProcessId(), "after restart\n", kArrival));
}

std::string numbered(const std::string& tag, int index)
{
    return tag + " " + std::to_string(index) + "\n";
}

// Four processes writing 10,000 lines each as fast as they can: every line arrives, in order.
TEST_F(DbwinReaderTest, BurstFromFourProcessesLosesNothing)
{
    constexpr int kLines = 10000;
    std::string error;
    ASSERT_TRUE(reader_.start(error)) << error;
    std::array<qev::e2e::ChildProcess, 4> writers;
    for (size_t i = 0; i < writers.size(); ++i) {
        const std::wstring args = L"w" + std::to_wstring(i) + L" " + std::to_wstring(kLines);
        ASSERT_TRUE(writers[i].start(qev::e2e::build_file(L"tests/tools/dbwin_burst_writer.exe"), args, error))
            << error;
    }
    for (size_t i = 0; i < writers.size(); ++i) {
        EXPECT_EQ(writers[i].wait_exit(180s), 0u) << "writer " << i;
        ASSERT_TRUE(lines_.wait_for_count(writers[i].pid(), kLines, kArrival)) << "writer " << i;
        const auto texts = lines_.texts_of(writers[i].pid());
        ASSERT_EQ(texts.size(), static_cast<size_t>(kLines)) << "writer " << i;
        const std::string tag = std::string("w").append(std::to_string(i));
        for (int n = 0; n < kLines; ++n) {
            ASSERT_EQ(texts[static_cast<size_t>(n)], numbered(tag, n)) << "writer " << i;
        }
    }
}

// A reader that goes away while a writer waits for the buffer leaves the DBWIN objects alive in
// that writer, possibly with a message written but never read. The next reader takes the objects
// over and delivers that message first. The test plays the waiting writer itself.
TEST_F(DbwinReaderTest, NextReaderTakesOverObjectsAWriterKeptAlive)
{
    using qev::base::UniqueKernelHandle;
    std::string error;
    UniqueKernelHandle data_ready;
    UniqueKernelHandle mapping;
    {
        DbwinReader first([](const DbwinLine&) {});
        ASSERT_TRUE(first.start(error)) << error;
        data_ready.reset(OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, L"DBWIN_DATA_READY"));
        mapping.reset(OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"DBWIN_BUFFER"));
        ASSERT_TRUE(data_ready && mapping);
        first.stop();
    }
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
    ASSERT_TRUE(reader_.start(error)) << error;
    EXPECT_TRUE(lines_.wait_for(4242, "left behind\n", kArrival));
    OutputDebugStringA("after the take-over\n");
    EXPECT_TRUE(lines_.wait_for(GetCurrentProcessId(), "after the take-over\n", kArrival));
}

}  // namespace
