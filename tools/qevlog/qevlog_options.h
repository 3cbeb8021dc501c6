#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace qev::tools {

// What the qevlog command line asks for.
struct QevlogOptions {
    std::vector<DWORD> pids;          // show only these processes; empty shows all
    std::string wait_for;             // end with 0 once a shown line contains this; empty: never
    std::optional<DWORD> timeout_ms;  // end after this long; with wait_for, a time-out ends with 1
    std::string out_path;             // write here instead of the standard output
    std::string ready_event;          // named event set once the reader listens
    bool help = false;
};

// Reads the arguments after the program name. Accepts "--opt VALUE" and "--opt=VALUE".
// A bad command line gives nullopt and a one-line reason in `error`.
std::optional<QevlogOptions> parse_qevlog_options(const std::vector<std::string>& args, std::string& error);

const char* qevlog_usage();

}  // namespace qev::tools
