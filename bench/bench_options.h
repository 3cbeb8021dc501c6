#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qev::bench {

struct BenchOptions {
    std::size_t iterations = 2000;  // round trips per client and configuration
    std::size_t concurrent_clients = 16;
    std::size_t idle_clients = 64;  // for the memory figure
    std::wstring server_exe;        // started by the benchmark when given, else found running
    bool echo_only = false;         // measure the raw echo alone (no server needed)
};

// Parses the words after the program name; nothing (with `error`) on a bad word.
std::optional<BenchOptions> parse_bench_options(const std::vector<std::wstring>& words, std::string& error);

inline constexpr const char* kBenchUsage =
    "usage: qev_rpc_bench [--iterations N] [--clients N] [--idle-clients N] [--server-exe PATH | --echo-only]\n"
    "Measures the QevIntfGetInfo round trip of the server against a raw named-pipe echo of the same\n"
    "message sizes, with 1 and with N concurrent clients, and the server's memory per idle client.\n"
    "Without --server-exe the server must already run (qEvSwServer.exe); --echo-only measures the raw\n"
    "echo alone with messages of the server's sizes.\n";

}  // namespace qev::bench
