#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace qev::client::qevctl {

// One command of an invocation: the verb and its words.
struct Command {
    std::string verb;
    std::vector<std::string> args;
};

// What one run of qevctl does: its options and the commands, run in order on one connection.
struct Invocation {
    bool help = false;
    std::chrono::milliseconds connect_timeout{5000};
    std::chrono::milliseconds reply_timeout{10000};
    std::vector<Command> commands;
};

}  // namespace qev::client::qevctl
