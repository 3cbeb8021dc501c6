#pragma once

#include "invocation.h"

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace qev::client::qevctl {

// Reads qevctl's words (argv without the program name): options first, then commands separated by a
// lone ",", or --script FILE ("-" = standard input) with one command per line. Returns nothing and sets
// `error` when the words do not form an invocation.
std::optional<Invocation> parse_command_line(const std::vector<std::string>& words, std::string& error);

// One command per line; blank lines and lines starting with '#' are skipped; words are separated by
// blanks, and a double-quoted word may hold blanks.
std::optional<std::vector<Command>> parse_script(std::istream& script, std::string& error);

const char* usage_text();

}  // namespace qev::client::qevctl
