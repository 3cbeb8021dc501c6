// qevctl: a command-line client of the qEvSwServer (see usage_text() or --help).
#include "command_line.h"
#include "command_runner.h"
#include "event_queue.h"

#include "client/qev_client.h"
#include "client/rpc_error.h"
#include "base/command_line.h"
#include "base/utf8.h"

#include <windows.h>

#include <iostream>
#include <memory>

namespace {

// The words after the program name, from the wide command line, as UTF-8.
std::vector<std::string> command_words()
{
    std::vector<std::string> words;
    for (const std::wstring& word : qev::base::command_line_words()) {
        words.push_back(qev::base::utf8_from_wide(word.c_str()));
    }
    return words;
}

}  // namespace

int main()
{
    using namespace qev::client::qevctl;
    std::string error;
    const auto invocation = parse_command_line(command_words(), error);
    if (!invocation) {
        std::cerr << "qevctl: " << error << " (see --help)\n";
        return kExitUsage;
    }
    if (invocation->help) {
        std::cout << usage_text();
        return kExitOk;
    }
    CommandRunner runner(std::cout, std::cerr);
    if (!runner.check(invocation->commands)) {
        return kExitUsage;
    }
    EventQueue events;
    qev::client::ClientOptions options;
    options.connect_timeout = invocation->connect_timeout;
    options.reply_timeout = invocation->reply_timeout;
    options.on_event = [&events](const qev::client::Event& event) { events.push(event); };
    // One connection per process: the server pairs it without help.
    options.confirm_pairing = false;
    try {
        qev::client::QevClient client(options);
        return runner.run(client, events, invocation->commands);
    } catch (const qev::client::RpcError& failure) {
        std::cerr << "qevctl: " << failure.what() << "\n";
        return kExitTransport;
    }
}
