#include "command_runner.h"

#include "bias_file_payload.h"
#include "wav_recording.h"

#include "rpc/wire_constants.h"
#include "vpnr/enrollment_file_maker.h"
#include "client/result_code.h"
#include "client/rpc_error.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>

namespace qev::client::qevctl {

namespace {

namespace fn = wire::function_name;

using client::DeviceNames;

constexpr std::uint32_t kNoLimit = 0xFFFFFFFFu;

bool parse_u32(const std::string& text, std::uint32_t& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parse_float(const std::string& text, float& out)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    out = std::strtof(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(out);
}

bool arg_count(const Command& command, std::size_t min, std::size_t max, std::string& error)
{
    if (command.args.size() >= min && command.args.size() <= max) {
        return true;
    }
    error = command.verb + ": wrong number of arguments";
    return false;
}

// Reads "--primary NAME" / "--secondary NAME" pairs starting at `first`.
bool parse_devices(const Command& command, std::size_t first, DeviceNames& devices, std::string& error)
{
    for (std::size_t i = first; i < command.args.size(); i += 2) {
        const std::string& option = command.args[i];
        if (i + 1 >= command.args.size() || (option != "--primary" && option != "--secondary")) {
            error = command.verb + ": expected --primary NAME or --secondary NAME, got " + option;
            return false;
        }
        (option == "--primary" ? devices.primary : devices.secondary) = command.args[i + 1];
    }
    return true;
}

// Reads the handle word, the first argument of every command that addresses a handle.
bool parse_handle(const Command& command, HandleArg& handle, std::string& error)
{
    handle.last = command.args[0] == "last";
    if (!handle.last && !parse_u32(command.args[0], handle.number)) {
        error = command.verb + ": not a handle: " + command.args[0];
        return false;
    }
    return true;
}

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

const char* event_kind(std::int32_t type)
{
    switch (type) {
    case wire::kEventDeviceList:
        return "device list";
    case wire::kEventHandle:
        return "handle";
    case wire::kEventFlag:
        return "flag";
    case wire::kEventValue:
        return "value";
    case wire::kEventSessionActivation:
        return "session activation";
    case wire::kEventParameterChanged:
        return "parameter changed";
    default:
        return "other";
    }
}

}  // namespace

bool CommandRunner::check(const std::vector<Command>& commands)
{
    for (const auto& command : commands) {
        std::string error;
        if (!prepare(command, error)) {
            err_ << "qevctl: " << error << "\n";
            return false;
        }
    }
    return true;
}

int CommandRunner::run(client::QevClient& client, EventQueue& events, const std::vector<Command>& commands)
{
    std::vector<Step> steps;
    for (const auto& command : commands) {
        std::string error;
        auto step = prepare(command, error);
        if (!step) {
            err_ << "qevctl: " << error << "\n";
            return kExitUsage;
        }
        steps.push_back(std::move(*step));
    }
    Context context{client, events};
    try {
        for (auto& step : steps) {
            if (const int code = step(context); code != kExitOk) {
                return code;
            }
        }
    } catch (const client::RpcError& failure) {
        err_ << "qevctl: " << failure.what() << "\n";
        return kExitTransport;
    }
    return kExitOk;
}

std::optional<CommandRunner::Step> CommandRunner::prepare(const Command& command, std::string& error)
{
    using Maker = std::optional<Step> (CommandRunner::*)(const Command&, std::string&);
    static const std::map<std::string, Maker> verbs = {
        {"info", &CommandRunner::info},
        {"enum", &CommandRunner::enumerate},
        {"create", &CommandRunner::create},
        {"config", &CommandRunner::config},
        {"destroy", &CommandRunner::handle_only},
        {"start", &CommandRunner::handle_only},
        {"stop", &CommandRunner::handle_only},
        {"status", &CommandRunner::handle_only},
        {"set", &CommandRunner::set},
        {"get", &CommandRunner::get},
        {"set-serialized", &CommandRunner::set_serialized},
        {"get-serialized", &CommandRunner::get_serialized},
        {"watch", &CommandRunner::watch},
        {"enroll", &CommandRunner::enroll},
    };
    const auto found = verbs.find(command.verb);
    if (found == verbs.end()) {
        error = "unknown command \"" + command.verb + "\" (see --help)";
        return std::nullopt;
    }
    return (this->*found->second)(command, error);
}

std::optional<std::uint32_t> CommandRunner::resolve(const HandleArg& handle)
{
    if (!handle.last) {
        return handle.number;
    }
    if (!last_handle_) {
        err_ << "qevctl: \"last\" used before a successful create\n";
    }
    return last_handle_;
}

int CommandRunner::report(const char* function, std::uint32_t result)
{
    if (result == 0) {
        return kExitOk;
    }
    err_ << function << ": result " << result << " (" << client::result_meaning(result) << ")\n";
    return kExitResult;
}

void CommandRunner::print_event(const client::Event& event)
{
    out_ << "event: type " << event.type << " (" << event_kind(event.type) << ") value " << event.value;
    if (!event.text.empty()) {
        out_ << " text " << event.text;
    }
    out_ << std::endl;
}

std::optional<CommandRunner::Step> CommandRunner::info(const Command& command, std::string& error)
{
    if (!arg_count(command, 0, 0, error)) {
        return std::nullopt;
    }
    return Step([this](Context& context) -> int {
        const auto reply = context.client.get_info();
        if (reply.result == 0) {
            out_ << "info: " << reply.info[0] << " " << reply.info[1] << " " << reply.info[2] << " " << reply.info[3]
                 << "\n";
        }
        return report(fn::kGetInfo, reply.result);
    });
}

std::optional<CommandRunner::Step> CommandRunner::enumerate(const Command& command, std::string& error)
{
    if (!arg_count(command, 1, 1, error)) {
        return std::nullopt;
    }
    static const std::map<std::string, std::uint32_t> kinds = {
        {"capture", wire::kEnumCapture}, {"render", wire::kEnumRender}, {"algorithms", wire::kEnumAlgorithms}};
    std::uint32_t type = 0;
    const auto kind = kinds.find(command.args[0]);
    if (kind != kinds.end()) {
        type = kind->second;
    } else if (!parse_u32(command.args[0], type) || type > 255) {
        error = "enum: expected capture, render, algorithms or a number 0-255";
        return std::nullopt;
    }
    return Step([this, type](Context& context) -> int {
        const auto reply = context.client.enumerate(static_cast<std::uint8_t>(type));
        if (reply.result == 0) {
            out_ << "count: " << reply.count << "\n";
            for (const auto& name : reply.names) {
                out_ << name << "\n";
            }
        }
        return report(fn::kEnum, reply.result);
    });
}

std::optional<CommandRunner::Step> CommandRunner::create(const Command& command, std::string& error)
{
    DeviceNames devices;
    if (!parse_devices(command, 0, devices, error)) {
        return std::nullopt;
    }
    return Step([this, devices](Context& context) -> int {
        const auto reply = context.client.create(devices);
        if (reply.result == 0) {
            last_handle_ = reply.handle;
            out_ << "handle: " << reply.handle << "\n";
        }
        return report(fn::kCreate, reply.result);
    });
}

std::optional<CommandRunner::Step> CommandRunner::config(const Command& command, std::string& error)
{
    HandleArg handle;
    DeviceNames devices;
    if (!arg_count(command, 1, 5, error) || !parse_devices(command, 1, devices, error)) {
        return std::nullopt;
    }
    if (!parse_handle(command, handle, error)) {
        return std::nullopt;
    }
    return Step([this, handle, devices](Context& context) -> int {
        const auto resolved = resolve(handle);
        return resolved ? report(fn::kConfig, context.client.config(*resolved, devices)) : kExitUsage;
    });
}

std::optional<CommandRunner::Step> CommandRunner::handle_only(const Command& command, std::string& error)
{
    if (!arg_count(command, 1, 1, error)) {
        return std::nullopt;
    }
    HandleArg handle;
    if (!parse_handle(command, handle, error)) {
        return std::nullopt;
    }
    const std::string verb = command.verb;
    return Step([this, handle, verb](Context& context) -> int {
        const auto resolved = resolve(handle);
        if (!resolved) {
            return kExitUsage;
        }
        auto& client = context.client;
        if (verb == "destroy") {
            return report(fn::kDestroy, client.destroy(*resolved));
        }
        if (verb == "start") {
            return report(fn::kStart, client.start(*resolved));
        }
        if (verb == "stop") {
            return report(fn::kStop, client.stop(*resolved));
        }
        const auto reply = client.get_status(*resolved);
        if (reply.result == 0) {
            out_ << "status: " << static_cast<unsigned>(reply.status) << "\n";
        }
        return report(fn::kGetStatus, reply.result);
    });
}

std::optional<CommandRunner::Step> CommandRunner::set(const Command& command, std::string& error)
{
    HandleArg handle;
    float value = 0.0f;
    if (!arg_count(command, 3, 3, error)) {
        return std::nullopt;
    }
    if (!parse_handle(command, handle, error)) {
        return std::nullopt;
    }
    if (!parse_float(command.args[2], value)) {
        error = "set: not a number: " + command.args[2];
        return std::nullopt;
    }
    const std::string name = command.args[1];
    return Step([this, handle, name, value](Context& context) -> int {
        const auto resolved = resolve(handle);
        return resolved ? report(fn::kSet, context.client.set(*resolved, name, value)) : kExitUsage;
    });
}

std::optional<CommandRunner::Step> CommandRunner::get(const Command& command, std::string& error)
{
    HandleArg handle;
    if (!arg_count(command, 2, 2, error)) {
        return std::nullopt;
    }
    if (!parse_handle(command, handle, error)) {
        return std::nullopt;
    }
    const std::string name = command.args[1];
    return Step([this, handle, name](Context& context) -> int {
        const auto resolved = resolve(handle);
        if (!resolved) {
            return kExitUsage;
        }
        const auto reply = context.client.get(*resolved, name);
        if (reply.result == 0) {
            out_ << reply.name << ": " << reply.value << "\n";
        }
        return report(fn::kGet, reply.result);
    });
}

std::optional<CommandRunner::Step> CommandRunner::set_serialized(const Command& command, std::string& error)
{
    HandleArg handle;
    if (!arg_count(command, 3, 3, error)) {
        return std::nullopt;
    }
    if (!parse_handle(command, handle, error)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> payload;
    if (!read_file(command.args[2], payload)) {
        error = "set-serialized: cannot read " + command.args[2];
        return std::nullopt;
    }
    const std::string name = command.args[1];
    return Step([this, handle, name, payload](Context& context) -> int {
        const auto resolved = resolve(handle);
        return resolved ? report(fn::kSetSerialized, context.client.set_serialized(*resolved, name, payload))
                        : kExitUsage;
    });
}

std::optional<CommandRunner::Step> CommandRunner::get_serialized(const Command& command, std::string& error)
{
    HandleArg handle;
    if (!(command.args.size() == 3 || (command.args.size() == 5 && command.args[3] == "--in"))) {
        error = "get-serialized: expected H NAME FILE [--in IN]";
        return std::nullopt;
    }
    if (!parse_handle(command, handle, error)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> input;
    if (command.args.size() == 5 && !read_file(command.args[4], input)) {
        error = "get-serialized: cannot read " + command.args[4];
        return std::nullopt;
    }
    const std::string name = command.args[1];
    const std::string path = command.args[2];
    return Step([this, handle, name, path, input](Context& context) -> int {
        const auto resolved = resolve(handle);
        if (!resolved) {
            return kExitUsage;
        }
        const auto reply = context.client.get_serialized(*resolved, name, input);
        if (reply.result != 0) {
            return report(fn::kGetSerialized, reply.result);
        }
        if (!write_file(path, reply.data)) {
            err_ << "qevctl: cannot write " << path << "\n";
            return kExitUsage;
        }
        out_ << reply.name << ": " << reply.data.size() << " bytes written to " << path << "\n";
        return kExitOk;
    });
}

std::optional<CommandRunner::Step> CommandRunner::enroll(const Command& command, std::string& error)
{
    HandleArg handle;
    if (!(command.args.size() == 3 || (command.args.size() == 5 && command.args[3] == "--out"))) {
        error = "enroll: expected H WAV NAME [--out FILE]";
        return std::nullopt;
    }
    std::vector<std::uint8_t> samples;
    if (!parse_handle(command, handle, error) || !read_wav_recording(command.args[1], samples, error)) {
        return std::nullopt;
    }
    const std::string name = command.args[2];
    const std::string out_path = command.args.size() == 5 ? command.args[4] : std::string();
    return Step([this, handle, samples, name, out_path](Context& context) -> int {
        const auto resolved = resolve(handle);
        if (!resolved) {
            return kExitUsage;
        }
        std::string failure;
        const auto file = vpnr::make_enrollment_file(samples, failure);
        if (!file) {
            err_ << "qevctl: enroll: " << failure << "\n";
            return kExitResult;
        }
        if (!out_path.empty() && !write_file(out_path, *file)) {
            err_ << "qevctl: cannot write " << out_path << "\n";
            return kExitUsage;
        }
        const std::uint32_t result =
            context.client.set_serialized(*resolved, "save_vpnr_bias_file", bias_file_payload(name, *file));
        if (result == 0) {
            out_ << "enrolled: " << file->size() << " bytes saved as " << name << "\n";
        }
        return report(fn::kSetSerialized, result);
    });
}

std::optional<CommandRunner::Step> CommandRunner::watch(const Command& command, std::string& error)
{
    std::uint32_t seconds = kNoLimit;
    if (!command.args.empty() &&
        (command.args.size() != 2 || command.args[0] != "--seconds" || !parse_u32(command.args[1], seconds))) {
        error = "watch: expected [--seconds N]";
        return std::nullopt;
    }
    return Step([this, seconds](Context& context) -> int {
        const auto deadline = seconds == kNoLimit ? std::chrono::steady_clock::time_point::max()
                                                  : std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            const auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(200));
            if (const auto event = context.events.pop(slice)) {
                print_event(*event);
            } else if (!context.client.notifications_running()) {
                err_ << "qevctl: the server closed the notification pipe\n";
                return kExitTransport;
            }
        }
        return kExitOk;
    });
}

}  // namespace qev::client::qevctl
