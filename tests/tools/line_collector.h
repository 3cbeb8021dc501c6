#pragma once

#include "dbwin_reader.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

// Thread-safe store for what a DbwinReader delivers, with waits for the tests.
class LineCollector {
public:
    void add(const qev::tools::DbwinLine& line)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
        arrived_.notify_all();
    }

    std::vector<std::string> texts_of(DWORD pid) const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> texts;
        for (const auto& line : lines_) {
            if (line.pid == pid) {
                texts.push_back(line.text);
            }
        }
        return texts;
    }

    bool wait_for(DWORD pid, const std::string& text, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] {
            return std::any_of(lines_.begin(), lines_.end(),
                               [&](const auto& line) { return line.pid == pid && line.text == text; });
        });
    }

    bool wait_for_count(DWORD pid, size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] {
            return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(),
                                                     [pid](const auto& line) { return line.pid == pid; })) >= count;
        });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<qev::tools::DbwinLine> lines_;
};
