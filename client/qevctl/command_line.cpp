#include "command_line.h"

#include <charconv>
#include <fstream>
#include <iostream>

namespace qev::client::qevctl {

namespace {

constexpr const char* kUsage = R"(usage: qevctl [options] COMMAND [ARGS] [, COMMAND [ARGS]]...
       qevctl [options] --script FILE      (FILE "-" reads standard input)

Talks to the qEvSwServer over its request and notification pipes. All commands of one invocation run in
order on one connection, because handles are destroyed by the server when the connection closes. Commands
are separated by a lone "," on the command line, or given one per line in a script (blank lines and lines
starting with "#" are skipped; "double quotes" keep blanks inside a word). Running stops at the first
command that fails.

Commands (H is a handle number, or "last" for the handle of the latest successful create):
  info                                   server information (four numbers)
  enum capture|render|algorithms|N       list endpoint or algorithm names (N: raw enumeration type)
  create [--primary NAME] [--secondary NAME]
                                         open a handle on an endpoint; prints "handle: H"
  destroy H                              close a handle
  config H [--primary NAME] [--secondary NAME]
                                         move a handle to another endpoint
  start H | stop H                       start or stop a handle
  set H PARAM VALUE                      set a parameter (VALUE is a number)
  get H PARAM                            read a parameter; prints "PARAM: VALUE"
  status H                               read a handle's status
  set-serialized H NAME FILE             send FILE's bytes as serialized parameter NAME
  get-serialized H NAME FILE [--in IN]   read serialized parameter NAME into FILE (IN: bytes to send)
  watch [--seconds N]                    print notifications until interrupted (Ctrl-C) or for N seconds
  enroll H WAV NAME [--out FILE]         make an enrollment file from WAV (16 kHz mono, 16-bit PCM or
                                         32-bit float, at most 15 s) with the voice-print library of
                                         this machine and save it on the server as NAME through
                                         "save_vpnr_bias_file"; --out also keeps it in FILE

Options:
  --script FILE              read the commands from FILE instead of the command line
  --connect-timeout MS       how long to wait for the server's pipes (default 5000)
  --reply-timeout MS         how long to wait for each reply (default 10000)
  --help                     this text

Result codes: 0 success, 1 not carried out, 3 invalid argument, 5 unknown enumeration type.
Exit status: 0 all commands succeeded; 1 a call returned a non-zero result (printed with its meaning on
standard error); 2 usage error; 3 no connection or a transport/protocol failure.

Example:
  qevctl create --primary "Microphone Array" , set last nr_level 60 , get last nr_level , start last
)";

bool parse_ms(const std::string& text, std::chrono::milliseconds& out)
{
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    out = std::chrono::milliseconds(value);
    return true;
}

std::vector<Command> split_commands(const std::vector<std::string>& words, std::size_t first)
{
    std::vector<Command> commands;
    bool fresh = true;
    for (std::size_t i = first; i < words.size(); ++i) {
        if (words[i] == ",") {
            fresh = true;
            continue;
        }
        if (fresh) {
            commands.push_back(Command{words[i], {}});
            fresh = false;
        } else {
            commands.back().args.push_back(words[i]);
        }
    }
    return commands;
}

// Splits one script line into words; false on an unterminated quote.
bool split_line(const std::string& line, std::vector<std::string>& words)
{
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
            if (in_word) {
                words.push_back(word);
            }
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) {
        words.push_back(word);
    }
    return !quoted;
}

std::optional<std::vector<Command>> read_script_file(const std::string& path, std::string& error)
{
    if (path == "-") {
        return parse_script(std::cin, error);
    }
    std::ifstream file(path);
    if (!file) {
        error = "cannot open script " + path;
        return std::nullopt;
    }
    return parse_script(file, error);
}

}  // namespace

const char* usage_text()
{
    return kUsage;
}

std::optional<std::vector<Command>> parse_script(std::istream& script, std::string& error)
{
    std::vector<Command> commands;
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        std::vector<std::string> words;
        if (!split_line(line, words)) {
            error = "script line " + std::to_string(number) + ": unterminated quote";
            return std::nullopt;
        }
        if (words.empty() || words.front().starts_with('#')) {
            continue;
        }
        commands.push_back(Command{words.front(), {words.begin() + 1, words.end()}});
    }
    return commands;
}

std::optional<Invocation> parse_command_line(const std::vector<std::string>& words, std::string& error)
{
    Invocation invocation;
    std::optional<std::string> script;
    std::size_t i = 0;
    for (; i < words.size() && words[i].starts_with("--"); ++i) {
        const std::string& option = words[i];
        if (option == "--help") {
            invocation.help = true;
            return invocation;
        }
        if (i + 1 >= words.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string& value = words[++i];
        if (option == "--script") {
            script = value;
        } else if (option == "--connect-timeout" || option == "--reply-timeout") {
            auto& target = option == "--connect-timeout" ? invocation.connect_timeout : invocation.reply_timeout;
            if (!parse_ms(value, target)) {
                error = option + ": not a number of milliseconds: " + value;
                return std::nullopt;
            }
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
    }
    if (script && i < words.size()) {
        error = "--script and commands on the command line do not mix";
        return std::nullopt;
    }
    if (script) {
        auto commands = read_script_file(*script, error);
        if (!commands) {
            return std::nullopt;
        }
        invocation.commands = std::move(*commands);
    } else {
        invocation.commands = split_commands(words, i);
    }
    if (invocation.commands.empty()) {
        error = "no command given";
        return std::nullopt;
    }
    return invocation;
}

}  // namespace qev::client::qevctl
