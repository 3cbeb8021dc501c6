// qev_rpc_soak: malformed requests and killed clients against the running server, outside CI.
// The server must not crash, must go on answering, and must give back the handles and the memory
// each phase took (usage in kSoakUsage).
#include "process_handles.h"
#include "process_launcher.h"
#include "process_memory.h"
#include "request_mutator.h"

#include "client/message_pipe.h"
#include "client/qev_client.h"
#include "client/request_encoder.h"
#include "client/rpc_error.h"
#include "ipc_message_generated.h"
#include "base/command_line.h"
#include "rpc/wire_constants.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace qev;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

constexpr const char* kSoakUsage =
    "usage: qev_rpc_soak [--requests N] [--kills N] [--server-exe PATH]\n"
    "Sends N malformed requests (default 100000) to the server, then starts and kills N clients that\n"
    "hold handles (default 200), and compares the server's handle count and working set with the\n"
    "figures before each phase. Without --server-exe the server must already run (qEvSwServer.exe).\n";

constexpr auto kConnectTimeout = 30000ms;
constexpr auto kReplyTimeout = 10000ms;
// Replies pile up in the pipe until the next sync reads them: a client that reads too seldom fills the
// pipe and stalls its own writes.
constexpr std::size_t kSyncEvery = 8;
constexpr std::size_t kReconnectEvery = 10000;
constexpr DWORD kChildReadyMs = 60000;
constexpr int kSettleAttempts = 15;

struct SoakOptions {
    std::size_t requests = 100000;
    std::size_t kills = 200;
    std::wstring server_exe;
    std::wstring child_event;  // set in a child: the client that gets killed
};

std::optional<SoakOptions> parse_options(const std::vector<std::wstring>& words)
{
    SoakOptions options;
    if (words.size() % 2 != 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < words.size(); i += 2) {
        const std::wstring& value = words[i + 1];
        if (words[i] == L"--requests" || words[i] == L"--kills") {
            wchar_t* end = nullptr;
            const unsigned long long count = std::wcstoull(value.c_str(), &end, 10);
            if (value.empty() || *end != L'\0' || count > 100000000ull) {
                return std::nullopt;
            }
            (words[i] == L"--requests" ? options.requests : options.kills) = static_cast<std::size_t>(count);
        } else if (words[i] == L"--server-exe") {
            options.server_exe = value;
        } else if (words[i] == L"--client-child") {
            options.child_event = value;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

std::unique_ptr<client::QevClient> connect_client()
{
    client::ClientOptions options;
    options.connect_timeout = kConnectTimeout;
    options.reply_timeout = kReplyTimeout;
    return std::make_unique<client::QevClient>(options);
}

// The client that gets killed: connected, holding whatever handles the server gives it, then
// waiting to be ended from outside.
int run_child(const std::wstring& event_name)
{
    auto client = connect_client();
    client->create({"Microphone Array (Conexant SmartAudio HD)", ""});
    client->create({"", "Speakers (USB Headset)"});
    client->enumerate(0);
    const base::UniqueKernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, event_name.c_str()));
    if (!ready || !SetEvent(ready.get())) {
        return 1;
    }
    Sleep(INFINITE);
    return 0;
}

struct Figures {
    DWORD handles = 0;
    std::uint64_t working_set = 0;
};

std::optional<Figures> measure(DWORD pid)
{
    const auto handles = bench::count_process_handles(pid);
    const auto memory = bench::sample_memory(pid);
    if (!handles || !memory) {
        return std::nullopt;
    }
    return Figures{*handles, memory->working_set};
}

// The server takes a moment to notice gone clients; its handles are given a few chances to return.
std::optional<Figures> settle(DWORD pid, const Figures& baseline)
{
    std::optional<Figures> now;
    for (int attempt = 0; attempt < kSettleAttempts; ++attempt) {
        Sleep(1000);
        now = measure(pid);
        if (!now || now->handles <= baseline.handles) {
            break;
        }
    }
    return now;
}

bool report_phase(const char* phase, const Figures& before, const Figures& after)
{
    const long long memory_delta =
        static_cast<long long>(after.working_set) - static_cast<long long>(before.working_set);
    std::printf("%-14s handles %lu -> %lu (%+ld), working set %llu KiB -> %llu KiB (%+lld KiB)\n", phase,
                before.handles, after.handles, static_cast<long>(after.handles) - static_cast<long>(before.handles),
                static_cast<unsigned long long>(before.working_set / 1024),
                static_cast<unsigned long long>(after.working_set / 1024), memory_delta / 1024);
    return after.handles <= before.handles;
}

// One client connection sending malformed requests, and now and then a request whose reply proves
// that the server still answers it.
class FuzzConnection {
public:
    FuzzConnection()
        : request_(client::MessagePipe::connect(wire::kRequestPipe, kConnectTimeout)),
          notify_(client::MessagePipe::connect(wire::kNotifyPipe, kConnectTimeout))
    {}

    bool send(const Bytes& bytes)
    {
        return request_.write(bytes, kReplyTimeout) == client::MessagePipe::IoStatus::kDone;
    }

    // Sends a Get whose echoed parameter name is unique and reads until its reply; replies to the
    // malformed requests before it are counted.
    bool answered(std::size_t serial, std::size_t& other_replies)
    {
        client::Request marker;
        marker.name = wire::function_name::kGet;
        marker.param = client::ParamArg{"sync-" + std::to_string(serial), 0.0f};
        if (!send(client::encode_request(marker))) {
            return false;
        }
        for (;;) {
            const auto reply = request_.read(kReplyTimeout);
            if (reply.status != client::MessagePipe::IoStatus::kDone) {
                return false;
            }
            flatbuffers::Verifier verifier(reply.bytes.data(), reply.bytes.size());
            const auto* message =
                wire::VerifyIpcMessageBuffer(verifier) ? wire::GetIpcMessage(reply.bytes.data()) : nullptr;
            if (message != nullptr && message->param() != nullptr && message->param()->name() != nullptr &&
                message->param()->name()->str() == marker.param->name) {
                return true;
            }
            ++other_replies;
        }
    }

private:
    client::MessagePipe request_;
    client::MessagePipe notify_;
};

struct FuzzResult {
    std::size_t sent = 0;
    std::size_t other_replies = 0;
    std::size_t reconnects = 0;
    std::array<std::size_t, bench::RequestMutator::kKinds> by_kind{};
    bool answering = true;
};

FuzzResult fuzz(std::size_t requests, std::uint32_t seed)
{
    FuzzResult result;
    bench::RequestMutator mutator(seed);
    auto connection = std::make_unique<FuzzConnection>();
    for (std::size_t i = 0; i < requests; ++i) {
        if (i > 0 && i % kReconnectEvery == 0) {
            connection = std::make_unique<FuzzConnection>();
        }
        const Bytes bytes = mutator.next();
        ++result.by_kind[static_cast<std::size_t>(mutator.last_kind())];
        if (!connection->send(bytes)) {
            // The server closed this connection; it must still take a new one.
            ++result.reconnects;
            connection = std::make_unique<FuzzConnection>();
        }
        ++result.sent;
        if ((i + 1) % kSyncEvery == 0 && !connection->answered(i, result.other_replies)) {
            std::fprintf(stderr, "qev_rpc_soak: no answer after request %zu\n", i);
            result.answering = false;
            return result;
        }
    }
    return result;
}

bool kill_clients(std::size_t kills, const std::wstring& self)
{
    const std::wstring event_name = L"qev_rpc_soak_ready_" + std::to_wstring(GetCurrentProcessId());
    const base::UniqueKernelHandle ready(CreateEventW(nullptr, FALSE, FALSE, event_name.c_str()));
    for (std::size_t i = 0; i < kills; ++i) {
        bench::ProcessLauncher child;
        if (!ready || !child.start(self, L"--client-child " + event_name)) {
            std::fprintf(stderr, "qev_rpc_soak: cannot start client %zu\n", i);
            return false;
        }
        if (WaitForSingleObject(ready.get(), kChildReadyMs) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "qev_rpc_soak: client %zu never got connected\n", i);
            return false;
        }
        child.terminate();
    }
    return true;
}

std::wstring own_path()
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path;
}

const char* kind_name(std::size_t kind)
{
    static const char* const names[] = {
        "bit flips", "truncated", "wrong union tag", "huge length", "size > data", "large vector/flips", "noise"};
    return names[kind];
}

int run(const SoakOptions& options)
{
    bench::ProcessLauncher server;
    const bool found =
        options.server_exe.empty() ? server.find_running(L"qEvSwServer.exe") : server.start(options.server_exe);
    if (!found) {
        std::fprintf(stderr, "qev_rpc_soak: no server (start qEvSwServer.exe or pass --server-exe)\n");
        return 2;
    }
    const DWORD pid = server.pid();
    connect_client()->get_info();
    // First-use state of the server (buffers, system caches) is not a leak.
    fuzz(2 * kSyncEvery, 1);
    kill_clients(2, own_path());
    const auto baseline = settle(pid, Figures{0xFFFFFFFF, 0});
    if (!baseline) {
        std::fprintf(stderr, "qev_rpc_soak: cannot read the figures of process %lu\n", pid);
        return 1;
    }
    std::printf("server pid %lu; baseline: %lu handles, working set %llu KiB\n", pid, baseline->handles,
                static_cast<unsigned long long>(baseline->working_set / 1024));

    const FuzzResult fuzzed = fuzz(options.requests, 20261206);
    std::printf("malformed requests: %zu sent, %zu other replies, %zu reconnects; server %s\n", fuzzed.sent,
                fuzzed.other_replies, fuzzed.reconnects, fuzzed.answering ? "answering" : "NOT ANSWERING");
    for (std::size_t kind = 0; kind < fuzzed.by_kind.size(); ++kind) {
        std::printf("  %-20s %zu\n", kind_name(kind), fuzzed.by_kind[kind]);
    }
    const auto after_fuzz = settle(pid, *baseline);
    const bool fuzz_ok = fuzzed.answering && after_fuzz && report_phase("after fuzzing:", *baseline, *after_fuzz);

    const bool killed = kill_clients(options.kills, own_path());
    std::printf("killed clients: %zu%s\n", options.kills, killed ? "" : " (INCOMPLETE)");
    const auto after_kills = settle(pid, *baseline);
    const bool kills_ok = killed && after_kills && report_phase("after kills:", *baseline, *after_kills);

    const base::UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    const bool alive = process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    connect_client()->get_info();
    std::printf("server %s and answering; handles back to the baseline: %s\n", alive ? "running" : "GONE",
                fuzz_ok && kills_ok ? "yes" : "NO");
    return alive && fuzz_ok && kills_ok ? 0 : 1;
}

}  // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const auto options = parse_options(base::command_line_words());
    if (!options) {
        std::fprintf(stderr, "%s", kSoakUsage);
        return 2;
    }
    try {
        return options->child_event.empty() ? run(*options) : run_child(options->child_event);
    } catch (const client::RpcError& failure) {
        std::fprintf(stderr, "qev_rpc_soak: %s\n", failure.what());
        return 1;
    }
}
