#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

namespace qev::base {

// The words after the program name on this process's wide command line.
inline std::vector<std::wstring> command_line_words()
{
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::wstring> words;
    for (int i = 1; argv && i < count; ++i) {
        words.emplace_back(argv.get()[i]);
    }
    return words;
}

}  // namespace qev::base
