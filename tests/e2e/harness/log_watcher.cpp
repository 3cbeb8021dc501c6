#include "log_watcher.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qev::e2e {

LogWatcher::LogWatcher() : reader_([this](const qev::tools::DbwinLine& line) { accept(line); })
{}

LogWatcher::~LogWatcher()
{
    stop();
}

bool LogWatcher::start()
{
    std::string error;
    if (!reader_.start(error)) {
        ADD_FAILURE() << "cannot read the debugger output: " << error;
        return false;
    }
    return true;
}

void LogWatcher::stop()
{
    reader_.stop();
}

void LogWatcher::accept(const qev::tools::DbwinLine& line)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(Entry{line.pid, line.text});
    arrived_.notify_all();
}

bool LogWatcher::sync(std::chrono::milliseconds timeout)
{
    const std::string marker = "qev-e2e-sync " + std::to_string(++sync_count_) + "\n";
    OutputDebugStringA(marker.c_str());
    return wait_for_line(GetCurrentProcessId(), marker, timeout);
}

std::vector<std::string> LogWatcher::lines_of(DWORD pid) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lines;
    for (const Entry& entry : entries_) {
        if (entry.pid == pid) {
            lines.push_back(entry.text);
        }
    }
    return lines;
}

bool LogWatcher::wait_for_line(DWORD pid, const std::string& line, std::chrono::milliseconds timeout)
{
    return wait_for_matches(
        pid, [&line](const std::string& text) { return text == line; }, 1, timeout);
}

bool LogWatcher::wait_for_text(DWORD pid, const std::string& text, std::chrono::milliseconds timeout)
{
    const auto contains = [&text](const std::string& line) { return line.find(text) != std::string::npos; };
    return wait_for_matches(pid, contains, 1, timeout);
}

bool LogWatcher::wait_for_matches(DWORD pid, const Predicate& predicate, size_t count,
                                  std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] {
        return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
                   return entry.pid == pid && predicate(entry.text);
               })) >= count;
    });
}

}  // namespace qev::e2e
