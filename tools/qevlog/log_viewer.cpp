#include "log_viewer.h"

#include <algorithm>
#include <chrono>

namespace qev::tools {

std::string format_line(const DbwinLine& line)
{
    // Appended piecewise: GCC 12 warns falsely (-Wrestrict) on chained string concatenation.
    std::string prefix(1, '[');
    prefix += std::to_string(line.pid);
    prefix += "] ";
    std::string out;
    size_t begin = 0;
    do {
        const size_t newline = line.text.find('\n', begin);
        const size_t end = newline == std::string::npos ? line.text.size() : newline;
        out += prefix;
        out.append(line.text, begin, end - begin);
        out += '\n';
        begin = end + 1;
    } while (begin < line.text.size());
    return out;
}

LogViewer::LogViewer(const QevlogOptions& options, std::FILE* out) : options_(options), out_(out)
{}

bool LogViewer::wanted(DWORD pid) const
{
    return options_.pids.empty() || std::find(options_.pids.begin(), options_.pids.end(), pid) != options_.pids.end();
}

void LogViewer::accept(const DbwinLine& line)
{
    if (!wanted(line.pid)) {
        return;
    }
    const std::string text = format_line(line);
    // Flushed per message so an interrupted viewer has written everything it received.
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
    if (!options_.wait_for.empty() && line.text.find(options_.wait_for) != std::string::npos) {
        const std::lock_guard<std::mutex> lock(mutex_);
        matched_ = true;
        seen_.notify_all();
    }
}

LogViewer::ExitCode LogViewer::wait()
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto seen = [this] { return matched_; };
    if (!options_.timeout_ms) {
        seen_.wait(lock, seen);
        return kDone;
    }
    const bool matched = seen_.wait_for(lock, std::chrono::milliseconds(*options_.timeout_ms), seen);
    if (options_.wait_for.empty()) {
        return kDone;
    }
    return matched ? kDone : kTimedOut;
}

}  // namespace qev::tools
