#include "dbwin_reader.h"

#include "child_process.h"
#include "e2e_paths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using qev::tools::DbwinLine;
using qev::tools::DbwinReader;

// Thread-safe store for what a reader delivers, by writer.
class LineCollector {
public:
    void add(const DbwinLine& line)
    {
        const std::lock_guard lock(mutex_);
        texts_[line.pid].push_back(line.text);
        arrived_.notify_all();
    }
    // What `pid` wrote, once there are `count` lines or 30 s have passed.
    std::vector<std::string> texts_of(DWORD pid, size_t count)
    {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, 30s, [&] { return texts_[pid].size() >= count; });
        return texts_[pid];
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::map<DWORD, std::vector<std::string>> texts_;
};

class DbwinReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(reader_.start(error_)) << error_; }

    LineCollector lines_;
    DbwinReader reader_{[this](const DbwinLine& line) { lines_.add(line); }};
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
    const auto texts = lines_.texts_of(own_, 4);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "first\n");
    EXPECT_EQ(texts[1], "wide line\n");
    EXPECT_GT(texts[2].size(), 4000u);
    EXPECT_LE(texts[2].size(), 4092u);
    EXPECT_EQ(texts[2], big.substr(0, texts[2].size()));
    EXPECT_EQ(texts[3], "last, no newline");
}

TEST_F(DbwinReaderTest, OneReaderAtATimeAndEachCanStartAgain)
{
    EXPECT_FALSE(reader_.start(error_));
    LineCollector other_lines;
    DbwinReader other([&other_lines](const DbwinLine& line) { other_lines.add(line); });
    EXPECT_FALSE(other.start(error_));
    EXPECT_THAT(error_, ::testing::HasSubstr("another debug-output reader"));
    EXPECT_FALSE(other.running());
    reader_.stop();
    reader_.stop();
    EXPECT_FALSE(reader_.running());
    ASSERT_TRUE(other.start(error_)) << error_;
    OutputDebugStringA("to the second reader\n");
    EXPECT_EQ(other_lines.texts_of(own_, 1), std::vector<std::string>{"to the second reader\n"});
    other.stop();
    ASSERT_TRUE(reader_.start(error_)) << error_;
    OutputDebugStringA("after restart\n");
    EXPECT_EQ(lines_.texts_of(own_, 1), std::vector<std::string>{"after restart\n"});
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
        const auto texts = lines_.texts_of(writers[i].pid(), kLines);
        ASSERT_EQ(texts.size(), static_cast<size_t>(kLines)) << "writer " << i;
        const std::string tag = std::string("w").append(std::to_string(i)).append(" ");
        for (int n = 0; n < kLines; ++n) {
            ASSERT_EQ(texts[static_cast<size_t>(n)], tag + std::to_string(n) + "\n") << "writer " << i;
        }
    }
}

// A reader that goes away while a writer waits for the buffer leaves the DBWIN objects alive in
// that writer, possibly with a message written but never read. The next reader takes the objects
// over and delivers that message first. The test plays the waiting writer itself.
TEST_F(DbwinReaderTest, NextReaderTakesOverObjectsAWriterKeptAlive)
{
    using qev::base::UniqueKernelHandle;
    const UniqueKernelHandle data_ready(OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, L"DBWIN_DATA_READY"));
    const UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"DBWIN_BUFFER"));
    ASSERT_TRUE(data_ready && mapping);
    reader_.stop();
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
    ASSERT_TRUE(reader_.start(error_)) << error_;
    EXPECT_EQ(lines_.texts_of(4242, 1), std::vector<std::string>{"left behind\n"});
    OutputDebugStringA("after the take-over\n");
    EXPECT_EQ(lines_.texts_of(own_, 1), std::vector<std::string>{"after the take-over\n"});
}

}  // namespace
