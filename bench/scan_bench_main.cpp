// qev_effects_scan_bench: the full endpoint scan (ScanAllEndpoints) on generated simulated machines
// of 8, 32 and 64 endpoints. Each round loads every machine afresh (not timed), builds the APO
// environment (timed apart) and times the scan; rounds alternate between the sizes so all see the
// same machine load. Prints the p50 and the best round of each size, t(32)/t(8) and t(64)/t(8) of
// both, and the mean time per endpoint kind on the largest machine, on a first pass and on a repeat
// pass that changes nothing.
//   usage: qev_effects_scan_bench [rounds]     (default 7)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/com_init.h"
#include "base/unique_handle.h"
#include "effects/application/endpoint_scan.h"
#include "effects/environment/apo_environment.h"
#include "latency_stats.h"
#include "qevsim_runner.h"
#include "scan_machine.h"
#include "winaudio/endpoint_queries.h"

namespace {

using qev::bench::run_qevsim;
using Clock = std::chrono::steady_clock;
constexpr std::size_t kSizes[] = {8, 32, 64};

// The APO package of the laptop machine: its software devices, driver store and class keys.
std::string apo_package()
{
    std::ifstream file(std::string(QEV_MACHINES_DIR) + "/laptop-apo.reg", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    const std::size_t start = all.find("; APO software device");
    return start == std::string::npos ? std::string() : all.substr(start);
}

std::wstring write_machine(std::size_t endpoints, const std::string& package)
{
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    const std::wstring path = std::wstring(directory) + L"qev_scan_" + std::to_wstring(endpoints) + L".reg";
    std::ofstream(path.c_str(), std::ios::binary) << qev::bench::ScanMachineText(endpoints, package);
    return path;
}

double microseconds_of(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double p50(const std::vector<double>& values)
{
    return qev::bench::summarize(values, {}).p50_us;
}

double best(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

// One pass over the loaded machine, endpoint by endpoint, grouped by what the endpoint is.
void print_per_kind(const char* pass)
{
    const qev::effects::ApoEnvironment environment = qev::effects::GetApoEnvironment();
    std::map<std::string, std::vector<double>> byKind;
    for (const EDataFlow flow : {eCapture, eRender}) {
        const qev::effects::DirectionEnvironment& direction =
            flow == eCapture ? environment.capture : environment.render;
        for (const std::wstring& id : qev::winaudio::EnumerateEndpointIds(flow)) {
            const std::size_t index = std::wcstoul(id.substr(id.size() - 13, 12).c_str(), nullptr, 16);
            const std::size_t quarter = (index / 2) % 4;
            const char* kind = quarter == 0 ? "listed" : quarter == 3 ? "excluded" : "eligible";
            byKind[kind].push_back(microseconds_of([&] {
                qev::effects::ProcessEndpoint({environment.mode, direction.variant}, id, direction.direction);
            }));
        }
    }
    for (const auto& [kind, times] : byKind) {
        double sum = 0;
        for (const double t : times) {
            sum += t;
        }
        std::printf("  %-6s pass, %-8s %2zu endpoints, mean %8.0f us each\n", pass, kind.c_str(), times.size(),
                    sum / times.size());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const std::string package = apo_package();
    if (rounds < 1 || package.empty()) {
        std::fprintf(stderr, "usage: qev_effects_scan_bench [rounds]  (needs sim/machines/laptop-apo.reg)\n");
        return 2;
    }
    const qev::base::ComInit com(COINIT_MULTITHREADED);
    std::map<std::size_t, std::wstring> machines;
    for (const std::size_t size : kSizes) {
        machines[size] = write_machine(size, package);
    }
    std::map<std::size_t, std::vector<double>> scanUs;
    std::map<std::size_t, std::vector<double>> environmentUs;
    for (int round = 0; round <= rounds; ++round) {
        for (const std::size_t size : kSizes) {
            if (!run_qevsim(L"load \"" + machines[size] + L"\"")) {
                std::fprintf(stderr, "qev_effects_scan_bench: qevsim could not load the %zu-endpoint machine\n", size);
                return 1;
            }
            const double environment = microseconds_of([] { qev::effects::RebuildApoEnvironment(); });
            const double scan = microseconds_of([] { qev::effects::ScanAllEndpoints(); });
            if (round > 0) {  // round 0 warms the DLLs, the simulator and the caches up
                environmentUs[size].push_back(environment);
                scanUs[size].push_back(scan);
            }
        }
    }
    std::printf("full scan, %d rounds (environment build timed apart)\n", rounds);
    for (const std::size_t size : kSizes) {
        std::printf("  %2zu endpoints: scan p50 %9.0f us, best %9.0f us; environment p50 %9.0f us\n", size,
                    p50(scanUs[size]), best(scanUs[size]), p50(environmentUs[size]));
    }
    // The best round is the one least disturbed by other work on the machine.
    std::printf("p50:  t(32)/t(8) %.2f   t(64)/t(8) %.2f\n", p50(scanUs[32]) / p50(scanUs[8]),
                p50(scanUs[64]) / p50(scanUs[8]));
    std::printf("best: t(32)/t(8) %.2f   t(64)/t(8) %.2f\n", best(scanUs[32]) / best(scanUs[8]),
                best(scanUs[64]) / best(scanUs[8]));
    std::printf("per endpoint on the 64-endpoint machine, a fresh one and again with nothing left to change:\n");
    if (run_qevsim(L"load \"" + machines[64] + L"\"")) {
        qev::effects::RebuildApoEnvironment();
        print_per_kind("first");
        print_per_kind("repeat");
    }
    run_qevsim(L"clear");
    return 0;
}
