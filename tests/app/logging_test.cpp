#include "app/logging.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000A
#endif

// OutputDebugString raises a debug-print exception first; a vectored handler sees the whole text
// (the DBWIN buffer would cut it at 4 KiB).
class DebugOutputCapture {
public:
    DebugOutputCapture()
    {
        active_ = this;
        handle_ = AddVectoredExceptionHandler(1, &DebugOutputCapture::handler);
    }
    ~DebugOutputCapture()
    {
        RemoveVectoredExceptionHandler(handle_);
        active_ = nullptr;
    }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::vector<std::string> narrow() const { return narrow_; }
    std::vector<std::wstring> wide() const { return wide_; }

private:
    static LONG CALLBACK handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (active_ == nullptr || record->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        const auto length = static_cast<size_t>(record->ExceptionInformation[0]);
        if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
            const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            active_->narrow_.emplace_back(text, length > 0 ? length - 1 : 0);
        } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
            const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
            active_->wide_.emplace_back(text, length > 0 ? length - 1 : 0);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugOutputCapture* active_ = nullptr;
    PVOID handle_ = nullptr;
    std::vector<std::string> narrow_;
    std::vector<std::wstring> wide_;
};

std::string narrow_of(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Wide output may reach the debugger as a wide or as a converted narrow string.
std::string last_line(const DebugOutputCapture& capture)
{
    const auto wide = capture.wide();
    if (!wide.empty()) {
        return narrow_of(wide.back());
    }
    const auto narrow = capture.narrow();
    return narrow.empty() ? std::string("<none>") : narrow.back();
}

TEST(Logging, NarrowFormatsWithPrefix)
{
    DebugOutputCapture capture;
    log_printf("value %d\n", 5);
    log_printf("no newline");
    log_printf("%s|%s\n", "100%", "%d");
    const auto lines = capture.narrow();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[qev] value 5\n");
    EXPECT_EQ(lines[1], "[qev] no newline");
    EXPECT_EQ(lines[2], "[qev] 100%|%d\n");
}

TEST(Logging, LongMessageIsWrittenWhole)
{
    DebugOutputCapture capture;
    const std::string big(100000, 'x');
    log_printf("%s\n", big.c_str());
    const auto lines = capture.narrow();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "[qev] " + big + "\n");
}

TEST(Logging, WideTakesWideStrings)
{
    DebugOutputCapture capture;
    log_wprintf(L"id %s = %d\n", L"{0.0.1.00000000}.{abc}", 7);
    EXPECT_EQ(last_line(capture), "[qev] id {0.0.1.00000000}.{abc} = 7\n");
}

TEST(Logging, WideLongMessageIsWrittenWhole)
{
    DebugOutputCapture capture;
    // Wine's OutputDebugStringW converts through a 32 Ki-character buffer; stay below that.
    const std::wstring big(20000, L'y');
    log_wprintf(L"%s", big.c_str());
    EXPECT_EQ(last_line(capture), "[qev] " + narrow_of(big));
}

}  // namespace
