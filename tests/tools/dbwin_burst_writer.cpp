// Test helper: writes COUNT numbered debugger-output lines "TAG N\n" (N from 0) as fast as it can,
// to check that readers lose nothing under a burst. Usage: dbwin_burst_writer TAG COUNT
#include <windows.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

int main(int argc, char** argv)
{
    unsigned long count = 0;
    const std::string_view count_text = argc == 3 ? argv[2] : "";
    const auto [end, ec] = std::from_chars(count_text.data(), count_text.data() + count_text.size(), count);
    if (argc != 3 || ec != std::errc() || end != count_text.data() + count_text.size()) {
        std::fputs("usage: dbwin_burst_writer TAG COUNT\n", stderr);
        return 2;
    }
    const std::string tag = argv[1];
    for (unsigned long i = 0; i < count; ++i) {
        const std::string line = tag + " " + std::to_string(i) + "\n";
        OutputDebugStringA(line.c_str());
    }
    return 0;
}
