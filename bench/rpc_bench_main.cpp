// qev_rpc_bench: the server's RPC round trip against the platform's raw named-pipe floor, and its
// memory per idle client (usage in bench_options.h).
#include "bench_options.h"
#include "echo_pipe_server.h"
#include "process_memory.h"
#include "round_trip_runner.h"
#include "process_launcher.h"

#include "base/command_line.h"
#include "rpc/wire_constants.h"
#include "client/message_pipe.h"
#include "client/qev_client.h"
#include "client/request_encoder.h"
#include "client/rpc_error.h"

#include "ipc_message_generated.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

namespace fn = qev::wire::function_name;

using namespace qev;
using Bytes = std::vector<std::uint8_t>;

constexpr std::chrono::milliseconds kConnectTimeout{30000};
constexpr std::chrono::milliseconds kCallTimeout{10000};
constexpr DWORD kSettleMs = 1000;

std::unique_ptr<client::QevClient> connect_server()
{
    client::ClientOptions options;
    options.connect_timeout = kConnectTimeout;
    options.reply_timeout = kCallTimeout;
    return std::make_unique<client::QevClient>(options);  // paired once this returns
}

// Server clients: each sends the GetInfo request as bytes and expects a reply of the known size.
std::vector<bench::RoundTrip> server_round_trips(const std::vector<std::unique_ptr<client::QevClient>>& clients,
                                                 const Bytes& request, std::size_t reply_size)
{
    std::vector<bench::RoundTrip> trips;
    for (const auto& c : clients) {
        trips.push_back([&client = *c, &request, reply_size] {
            const auto reply = client.send_raw(request, kCallTimeout);
            return reply && reply->size() == reply_size;
        });
    }
    return trips;
}

std::vector<bench::RoundTrip> echo_round_trips(std::vector<client::MessagePipe>& pipes, const Bytes& request,
                                               std::size_t reply_size)
{
    std::vector<bench::RoundTrip> trips;
    for (auto& pipe : pipes) {
        trips.push_back([&pipe, &request, reply_size] {
            if (pipe.write(request, kCallTimeout) != client::MessagePipe::IoStatus::kDone) {
                return false;
            }
            const auto reply = pipe.read(kCallTimeout);
            return reply.status == client::MessagePipe::IoStatus::kDone && reply.bytes.size() == reply_size;
        });
    }
    return trips;
}

void print_row(const char* label, const bench::RunSamples& run)
{
    const bench::LatencyStats stats = run.stats();
    std::printf("%-26s %10.1f %10.1f %12.0f %8zu\n", label, stats.p50_us, stats.p99_us, stats.calls_per_second,
                run.failures);
}

double ratio(double a, double b)
{
    return b > 0.0 ? a / b : 0.0;
}

// The configurations are measured in alternating rounds, so that load which comes and goes during
// the run weighs on the raw floor and on the server alike.
constexpr std::size_t kRounds = 10;

struct Figures {
    bench::RunSamples echo_one, echo_many, server_one, server_many;
    // The p50 ratio server/raw with one client, round by round: how steady the ratio is.
    std::vector<double> round_ratios;
};

// The clients of both ends: connections to a raw echo of the server's message sizes and, unless
// measuring the echo alone, to the server.
class BenchClients {
public:
    BenchClients(const bench::BenchOptions& options, const Bytes& request, const Bytes& reply, bool with_server)
        : echo_(L"\\\\.\\pipe\\qev_bench_echo_" + std::to_wstring(GetCurrentProcessId()), reply)
    {
        for (std::size_t i = 0; i < options.concurrent_clients + 1; ++i) {
            pipes_.push_back(client::MessagePipe::connect(echo_.name(), kConnectTimeout));
        }
        for (std::size_t i = 0; with_server && i < options.concurrent_clients; ++i) {
            clients_.push_back(connect_server());
        }
        echo_many_ = echo_round_trips(pipes_, request, reply.size());
        echo_one_ = {echo_many_.back()};
        echo_many_.pop_back();
        server_many_ = server_round_trips(clients_, request, reply.size());
        if (!server_many_.empty()) {
            server_one_ = {server_many_.front()};
        }
    }

    // Warm-up, then the rounds.
    Figures measure(std::size_t iterations) const
    {
        Figures figures;
        const std::size_t per_round = std::max<std::size_t>(1, iterations / kRounds);
        for (const auto* trips : {&echo_one_, &server_one_, &echo_many_, &server_many_}) {
            bench::run_clients(*trips, std::max<std::size_t>(1, per_round / 2));
        }
        for (std::size_t round = 0; round < kRounds; ++round) {
            const bench::RunSamples echo = bench::run_clients(echo_one_, per_round);
            const bench::RunSamples server = bench::run_clients(server_one_, per_round);
            figures.round_ratios.push_back(ratio(server.stats().p50_us, echo.stats().p50_us));
            figures.echo_one.add(echo);
            figures.server_one.add(server);
            figures.echo_many.add(bench::run_clients(echo_many_, per_round));
            figures.server_many.add(bench::run_clients(server_many_, per_round));
        }
        return figures;
    }

private:
    bench::EchoPipeServer echo_;
    std::vector<client::MessagePipe> pipes_;
    std::vector<std::unique_ptr<client::QevClient>> clients_;
    std::vector<bench::RoundTrip> echo_one_, echo_many_, server_one_, server_many_;
};

// What the server answers to QevIntfGetInfo, for measuring the echo without a server.
Bytes typical_info_reply()
{
    flatbuffers::FlatBufferBuilder builder;
    const auto name = builder.CreateString(fn::kGetInfo);
    const wire::ServerInfo info(1, 601, 2777, 0);
    builder.Finish(wire::CreateIpcMessage(builder, name, &info));
    return {builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()};
}

void report_echo(const Figures& f, std::size_t clients)
{
    std::printf("%-26s %10s %10s %12s %8s\n", "", "p50 us", "p99 us", "calls/s", "failed");
    print_row("raw echo, 1 client", f.echo_one);
    print_row(("raw echo, " + std::to_string(clients) + " clients").c_str(), f.echo_many);
}

void report_round_trips(const Figures& f, std::size_t clients)
{
    const std::string many = std::to_string(clients) + " clients";
    report_echo(f, clients);
    print_row("server GetInfo, 1 client", f.server_one);
    print_row(("server GetInfo, " + many).c_str(), f.server_many);
    const double p50_ratio = ratio(f.server_one.stats().p50_us, f.echo_one.stats().p50_us);
    const double p50_many_ratio = ratio(f.server_many.stats().p50_us, f.echo_many.stats().p50_us);
    const double throughput_ratio = ratio(f.server_many.stats().calls_per_second, f.echo_many.stats().calls_per_second);
    const auto [lowest, highest] = std::minmax_element(f.round_ratios.begin(), f.round_ratios.end());
    std::printf("ratio p50 server/raw, 1 client:       %.2f (target <= 1.50: %s); rounds %.2f to %.2f\n", p50_ratio,
                p50_ratio <= 1.5 ? "met" : "missed", *lowest, *highest);
    std::printf("ratio p50 server/raw, %-3zu clients:    %.2f\n", clients, p50_many_ratio);
    std::printf("ratio throughput server/raw, %-3zu cl.: %.2f (target >= 0.70: %s)\n", clients, throughput_ratio,
                throughput_ratio >= 0.7 ? "met" : "missed");
}

// Memory growth of the server per idle connected client; false when the counters cannot be read.
bool report_memory(DWORD pid, std::size_t idle_clients)
{
    Sleep(kSettleMs);
    const auto before = bench::sample_memory(pid);
    std::vector<std::unique_ptr<client::QevClient>> clients;
    for (std::size_t i = 0; i < idle_clients; ++i) {
        clients.push_back(connect_server());
    }
    Sleep(kSettleMs);
    const auto after = bench::sample_memory(pid);
    if (!before || !after) {
        std::printf("memory: cannot read the counters of process %lu\n", pid);
        return false;
    }
    const auto per_client = [idle_clients](std::uint64_t low, std::uint64_t high) {
        return high > low ? static_cast<double>(high - low) / 1024.0 / static_cast<double>(idle_clients) : 0.0;
    };
    const double private_kib = per_client(before->private_bytes, after->private_bytes);
    const double working_kib = per_client(before->working_set, after->working_set);
    std::printf("memory before: private %llu KiB, working set %llu KiB\n",
                static_cast<unsigned long long>(before->private_bytes / 1024),
                static_cast<unsigned long long>(before->working_set / 1024));
    std::printf("memory with %zu idle clients: private %llu KiB, working set %llu KiB\n", idle_clients,
                static_cast<unsigned long long>(after->private_bytes / 1024),
                static_cast<unsigned long long>(after->working_set / 1024));
    // Wine reports no PrivateUsage for other processes; the working set is the figure left then.
    const bool has_private = before->private_bytes != 0 && after->private_bytes != 0;
    const double judged = has_private ? private_kib : working_kib;
    std::printf("memory per idle client: private %.1f KiB%s, working set %.1f KiB (target < 64 KiB by %s: %s)\n",
                private_kib, has_private ? "" : " (not reported here)", working_kib,
                has_private ? "private" : "working set", judged < 64.0 ? "met" : "missed");
    return true;
}

std::size_t failures_of(const Figures& f)
{
    return f.echo_one.failures + f.echo_many.failures + f.server_one.failures + f.server_many.failures;
}

int run_echo_only(const bench::BenchOptions& options)
{
    client::Request get_info;
    get_info.name = fn::kGetInfo;
    const Bytes request = client::encode_request(get_info);
    const Bytes reply = typical_info_reply();
    std::printf("raw echo only; request %zu bytes, reply %zu bytes; %zu round trips per client\n", request.size(),
                reply.size(), options.iterations);
    const Figures figures = BenchClients(options, request, reply, false).measure(options.iterations);
    report_echo(figures, options.concurrent_clients);
    return failures_of(figures) == 0 ? 0 : 1;
}

int run(const bench::BenchOptions& options)
{
    bench::ProcessLauncher server;
    const bool found =
        options.server_exe.empty() ? server.find_running(L"qEvSwServer.exe") : server.start(options.server_exe);
    if (!found) {
        std::fprintf(stderr, "qev_rpc_bench: no server (start qEvSwServer.exe or pass --server-exe)\n");
        return 2;
    }
    auto probe = connect_server();
    client::Request get_info;
    get_info.name = fn::kGetInfo;
    const Bytes request = client::encode_request(get_info);
    const auto reply = probe->send_raw(request, kCallTimeout);
    if (!reply || probe->get_info().info[1] != 601) {
        std::fprintf(stderr, "qev_rpc_bench: the server does not answer QevIntfGetInfo\n");
        return 1;
    }
    std::printf("server pid %lu; request %zu bytes, reply %zu bytes; %zu round trips per client\n", server.pid(),
                request.size(), reply->size(), options.iterations);
    std::fprintf(stderr, "measuring the raw echo and the server in alternating rounds...\n");
    const Figures figures = BenchClients(options, request, *reply, true).measure(options.iterations);
    std::fprintf(stderr, "measuring memory...\n");
    report_round_trips(figures, options.concurrent_clients);
    const bool memory_ok = report_memory(server.pid(), options.idle_clients);
    return failures_of(figures) == 0 && memory_ok ? 0 : 1;
}

}  // namespace

int main()
{
    // Progress shows as it happens, also through a pipe.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string error;
    const auto options = bench::parse_bench_options(base::command_line_words(), error);
    if (!options) {
        std::fprintf(stderr, "qev_rpc_bench: %s\n%s", error.c_str(), bench::kBenchUsage);
        return 2;
    }
    try {
        return options->echo_only ? run_echo_only(*options) : run(*options);
    } catch (const client::RpcError& failure) {
        std::fprintf(stderr, "qev_rpc_bench: %s\n", failure.what());
        return 1;
    }
}
