// qev_set_bench: a "QevIntfSet" of "nr_level" on a started handle of the microphone array of the
// simulated laptop with the APO (Windows 11: the value lands in its per-APO user store), against a
// raw registry write of the same value to the same store, interleaved call by call in one run.
// Starts its own server on the machine it loads. Prints p50 and p99 of both and their ratio.
//   usage: qev_set_bench [calls]     (default 2000)
#include "client/qev_client.h"
#include "latency_stats.h"
#include "qevsim_runner.h"
#include "process_launcher.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kMicName[] = "Microphone Array (Conexant SmartAudio HD)";
constexpr wchar_t kUserStore[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}"
    L"\\FxProperties\\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}\\User";
constexpr wchar_t kLevel[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1";

double microseconds_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

bool raw_write(DWORD level)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, kUserStore, kLevel, REG_DWORD, &level, sizeof(level)) == ERROR_SUCCESS;
}

}  // namespace

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (calls < 1 ||
        !qev::bench::run_qevsim(L"load \"" + qev::bench::windows_path(QEV_MACHINES_DIR "/laptop-apo.reg") + L"\"")) {
        std::fprintf(stderr, "usage: qev_set_bench [calls]  (needs qevsim and sim/machines/laptop-apo.reg)\n");
        return 2;
    }
    qev::bench::ProcessLauncher server;
    if (!server.start(qev::bench::windows_path(QEV_SERVER_PATH))) {
        std::fprintf(stderr, "qev_set_bench: the server did not start\n");
        return 1;
    }
    qev::client::ClientOptions options;
    options.connect_timeout = std::chrono::seconds(60);
    qev::client::QevClient client(options);
    const auto created = client.create({kMicName, ""});
    if (created.result != 0 || client.start(created.handle) != 0) {
        std::fprintf(stderr, "qev_set_bench: no started handle on the microphone array\n");
        return 1;
    }
    std::vector<double> set_us;
    std::vector<double> raw_us;
    for (int i = 0; i < calls; ++i) {
        // Alternating values, so every write changes the store.
        const DWORD level = 40 + static_cast<DWORD>(i % 2);
        auto start = Clock::now();
        const bool set = client.set(created.handle, "nr_level", static_cast<float>(level)) == 0;
        set_us.push_back(microseconds_since(start));
        start = Clock::now();
        const bool raw = raw_write(level);
        raw_us.push_back(microseconds_since(start));
        if (!set || !raw) {
            std::fprintf(stderr, "qev_set_bench: a write failed at call %d\n", i);
            return 1;
        }
    }
    const auto set_stats = qev::bench::summarize(set_us, {});
    const auto raw_stats = qev::bench::summarize(raw_us, {});
    std::printf("\"nr_level\" writes, %d of each, interleaved\n", calls);
    qev::bench::print_percentiles("QevIntfSet round trip", set_stats, 22);
    qev::bench::print_percentiles("raw registry write", raw_stats, 22);
    std::printf("ratio QevIntfSet/raw: p50 %.1f   p99 %.1f\n", set_stats.p50_us / raw_stats.p50_us,
                set_stats.p99_us / raw_stats.p99_us);
    client.close();
    qev::bench::run_qevsim(L"clear");
    return 0;
}
