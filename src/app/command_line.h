#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qev::app {

// The role this process plays, as the command line chose it. "rpc" until a "--server=" option
// replaces it; only "session_monitor" selects the session monitor role.
extern std::string server_type;

// Splits at every single space (0x20) and nowhere else: two adjacent spaces give an empty token.
std::vector<std::string> split_command_line(std::string_view command_line);

struct CommandLineChoice {
    std::string server_type;
    bool help = false;  // "--help" was met; the tokens after it were not looked at
};

// Applies the tokens in order to `server_type`: "--server=" sets it (a later one wins), "--help"
// stops, anything else is ignored.
CommandLineChoice read_command_line(std::string_view command_line, std::string server_type);

void print_usage();

// Applies the command line to `server_type` and logs the configuration; returns true.
// With "--help" it logs the usage text and ends the process with exit code 0 instead.
// A null command line counts as an empty one.
bool parse_arguments(const char* command_line);

}  // namespace qev::app
