#pragma once

#include "event_queue.h"
#include "invocation.h"

#include "client/qev_client.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qev::client::qevctl {

enum ExitCode : int {
    kExitOk = 0,
    kExitResult = 1,
    kExitUsage = 2,
    kExitTransport = 3,
};

// A handle as written: a number, or "last" (resolved when the step runs).
struct HandleArg {
    bool last = false;
    std::uint32_t number = 0;
};

// Checks and runs qevctl commands on one client connection. All commands are checked before the first
// one runs, so a typo late in a list changes nothing on the server.
class CommandRunner {
public:
    CommandRunner(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // False (with the reason on the error stream) when a command is unknown or its words are wrong.
    bool check(const std::vector<Command>& commands);
    // Runs every command in order and stops at the first failure; returns the exit code.
    int run(client::QevClient& client, EventQueue& events, const std::vector<Command>& commands);

private:
    struct Context {
        client::QevClient& client;
        EventQueue& events;
    };
    using Step = std::function<int(Context&)>;
    std::optional<Step> prepare(const Command& command, std::string& error);
    std::optional<std::uint32_t> resolve(const HandleArg& handle);
    int report(const char* function, std::uint32_t result);
    void print_event(const client::Event& event);

    // Steps for each verb; each parses its words into the returned step.
    std::optional<Step> info(const Command& command, std::string& error);
    std::optional<Step> enumerate(const Command& command, std::string& error);
    std::optional<Step> create(const Command& command, std::string& error);
    std::optional<Step> config(const Command& command, std::string& error);
    std::optional<Step> handle_only(const Command& command, std::string& error);
    std::optional<Step> set(const Command& command, std::string& error);
    std::optional<Step> get(const Command& command, std::string& error);
    std::optional<Step> set_serialized(const Command& command, std::string& error);
    std::optional<Step> get_serialized(const Command& command, std::string& error);
    std::optional<Step> watch(const Command& command, std::string& error);
    std::optional<Step> enroll(const Command& command, std::string& error);

    std::ostream& out_;
    std::ostream& err_;
    std::optional<std::uint32_t> last_handle_;
};

}  // namespace qev::client::qevctl
