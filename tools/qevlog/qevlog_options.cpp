#include "qevlog_options.h"

#include <charconv>
#include <cstdint>
#include <string_view>
#include <utility>

namespace qev::tools {

namespace {

// A whole decimal number that fits a DWORD below INFINITE; nothing else.
std::optional<DWORD> parse_dword(std::string_view text)
{
    std::uint64_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || stop != end || value >= INFINITE) {
        return std::nullopt;
    }
    return static_cast<DWORD>(value);
}

// Walks the arguments, handing out option names and their values.
class ArgumentCursor {
public:
    explicit ArgumentCursor(const std::vector<std::string>& args) : args_(args) {}

    bool done() const { return index_ >= args_.size(); }

    // Splits "--name=value" or takes the value from the next argument.
    std::string next_name()
    {
        const std::string& arg = args_[index_++];
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            inline_value_ = arg.substr(equals + 1);
            return arg.substr(0, equals);
        }
        inline_value_.reset();
        return arg;
    }

    bool has_inline_value() const { return inline_value_.has_value(); }

    std::optional<std::string> value()
    {
        if (inline_value_) {
            return std::exchange(inline_value_, std::nullopt);
        }
        if (done()) {
            return std::nullopt;
        }
        return args_[index_++];
    }

private:
    const std::vector<std::string>& args_;
    size_t index_ = 0;
    std::optional<std::string> inline_value_;
};

bool apply_valued(const std::string& name, const std::string& value, QevlogOptions& options, std::string& error)
{
    if (name == "--pid") {
        const auto pid = parse_dword(value);
        if (!pid) {
            error = "--pid needs a decimal process id, got \"" + value + "\"";
            return false;
        }
        options.pids.push_back(*pid);
    } else if (name == "--timeout") {
        const auto ms = parse_dword(value);
        if (!ms) {
            error = "--timeout needs a number of milliseconds, got \"" + value + "\"";
            return false;
        }
        options.timeout_ms = ms;
    } else if (name == "--wait-for" || name == "--out" || name == "--ready-event") {
        if (value.empty()) {
            error = name + " needs a non-empty value";
            return false;
        }
        std::string& target = name == "--wait-for" ? options.wait_for
                              : name == "--out"    ? options.out_path
                                                   : options.ready_event;
        target = value;
    } else {
        error = "unknown option " + name;
        return false;
    }
    return true;
}

}  // namespace

std::optional<QevlogOptions> parse_qevlog_options(const std::vector<std::string>& args, std::string& error)
{
    QevlogOptions options;
    ArgumentCursor cursor(args);
    while (!cursor.done()) {
        const std::string name = cursor.next_name();
        if (name == "--help" && !cursor.has_inline_value()) {
            options.help = true;
            continue;
        }
        if (name.rfind("--", 0) != 0) {
            error = "unexpected argument \"" + name + "\"";
            return std::nullopt;
        }
        const auto value = cursor.value();
        if (!value) {
            error = name + " needs a value";
            return std::nullopt;
        }
        if (!apply_valued(name, *value, options, error)) {
            return std::nullopt;
        }
    }
    return options;
}

const char* qevlog_usage()
{
    return "usage: qevlog [--pid N]... [--wait-for TEXT] [--timeout MS] [--out FILE] [--ready-event NAME]\n"
           "Prints the debugger output of other processes as \"[pid] text\" lines.\n"
           "  --pid N             show only process N (decimal; repeat for more processes)\n"
           "  --wait-for TEXT     exit 0 once a shown line contains TEXT\n"
           "  --timeout MS        stop after MS milliseconds; with --wait-for, exit 1 when TEXT was not seen\n"
           "  --out FILE          write the lines to FILE instead of the standard output\n"
           "  --ready-event NAME  set the named event once listening (\"qevlog: listening\" goes to stderr)\n"
           "  --help              show this text\n"
           "Exit codes: 0 done or TEXT seen, 1 time-out before TEXT, 2 bad command line or cannot listen.\n";
}

}  // namespace qev::tools
