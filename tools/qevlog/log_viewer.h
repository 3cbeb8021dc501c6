#pragma once

#include "dbwin_reader.h"
#include "qevlog_options.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

namespace qev::tools {

// "[pid] text" for every line of a message; the message's own final newline ends the last line.
std::string format_line(const DbwinLine& line);

// Filters, prints and watches the messages the reader delivers.
class LogViewer {
public:
    enum ExitCode : int { kDone = 0, kTimedOut = 1, kFailed = 2 };

    // `out` stays owned by the caller and must outlive the viewer.
    LogViewer(const QevlogOptions& options, std::FILE* out);

    // Called on the reader thread for every message.
    void accept(const DbwinLine& line);

    // Blocks until the awaited text was shown, the time-out passed, or forever when neither is set.
    ExitCode wait();

private:
    bool wanted(DWORD pid) const;

    const QevlogOptions options_;
    std::FILE* const out_;
    std::mutex mutex_;
    std::condition_variable seen_;
    bool matched_ = false;
};

}  // namespace qev::tools
