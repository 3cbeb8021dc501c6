#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace qev::sysinfo::test {

// Redirects std::cerr into a string while it lives.
class StderrCapture {
public:
    StderrCapture() : previous_(std::cerr.rdbuf(buffer_.rdbuf())) {}
    ~StderrCapture() { std::cerr.rdbuf(previous_); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text() const { return buffer_.str(); }

private:
    std::ostringstream buffer_;
    std::streambuf* previous_;
};

}  // namespace qev::sysinfo::test
