#pragma once

#include "dbwin_reader.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qev::e2e {

// Generous: the first start of a Wine process can take seconds on a loaded machine.
constexpr std::chrono::milliseconds kLogTimeout{30000};

// Collects the debugger output of every process of the Wine prefix, kept by process id, and waits
// for the lines a test expects. Start it before the process to watch.
class LogWatcher {
public:
    using Predicate = std::function<bool(const std::string& line)>;

    LogWatcher();
    ~LogWatcher();

    LogWatcher(const LogWatcher&) = delete;
    LogWatcher& operator=(const LogWatcher&) = delete;

    // On failure (another reader runs) the reason goes to the GoogleTest output.
    bool start();
    void stop();

    // Returns once every message written before the call has been received (it writes a marker of
    // its own and waits for it: the DBWIN buffer passes messages one at a time, in order). Use it
    // before asserting that a line did NOT come.
    bool sync(std::chrono::milliseconds timeout);

    // Every message of `pid` received so far, in order.
    std::vector<std::string> lines_of(DWORD pid) const;

    // Waits until a message of `pid` equals `line` exactly (prefix and newline included); false after `timeout`.
    bool wait_for_line(DWORD pid, const std::string& line, std::chrono::milliseconds timeout);
    // ... contains `text`.
    bool wait_for_text(DWORD pid, const std::string& text, std::chrono::milliseconds timeout);
    // Waits until at least `count` messages of `pid` satisfy `predicate` (which must not call back
    // into this watcher).
    bool wait_for_matches(DWORD pid, const Predicate& predicate, size_t count, std::chrono::milliseconds timeout);

private:
    struct Entry {
        DWORD pid;
        std::string text;
    };

    void accept(const qev::tools::DbwinLine& line);

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Entry> entries_;
    unsigned sync_count_ = 0;
    qev::tools::DbwinReader reader_;
};

}  // namespace qev::e2e
