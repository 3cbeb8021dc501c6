#include "app/command_line.h"

#include "base/logging.h"

#include <cstdlib>

namespace qev::app {

std::string server_type = "rpc";

namespace {

constexpr std::string_view kServerOption = "--server=";
constexpr std::string_view kHelpOption = "--help";

}  // namespace

std::vector<std::string> split_command_line(std::string_view command_line)
{
    std::vector<std::string> tokens;
    size_t begin = 0;
    for (;;) {
        const size_t space = command_line.find(' ', begin);
        if (space == std::string_view::npos) {
            tokens.emplace_back(command_line.substr(begin));
            return tokens;
        }
        tokens.emplace_back(command_line.substr(begin, space - begin));
        begin = space + 1;
    }
}

CommandLineChoice read_command_line(std::string_view command_line, std::string server_type)
{
    CommandLineChoice choice{std::move(server_type), false};
    for (const std::string& token : split_command_line(command_line)) {
        if (token.rfind(kServerOption, 0) == 0) {
            choice.server_type = token.substr(kServerOption.size());
        } else if (token == kHelpOption) {
            choice.help = true;
            return choice;
        }
    }
    return choice;
}

void print_usage()
{
    base::log_printf("usage: qEvSwServer [option]...\n");
    base::log_printf("\n");
    base::log_printf("  --apo               Activate qEvSwServer for APO scenario\n");
    base::log_printf("  --help              Show this help list\n");
    base::log_printf("\n");
}

bool parse_arguments(const char* command_line)
{
    const CommandLineChoice choice = read_command_line(command_line != nullptr ? command_line : "", server_type);
    if (choice.help) {
        print_usage();
        std::exit(0);
    }
    server_type = choice.server_type;
    base::log_printf("configurations:\n");
    base::log_printf("  server_type: %s\n", server_type.c_str());
    return true;
}

}  // namespace qev::app
