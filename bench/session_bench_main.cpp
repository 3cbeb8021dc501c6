// qev_session_bench: activation latency of call detection on the simulated laptop with the APO.
// Both roles run; this process owns an active session on the microphone array and one on the
// speakers, whose state qevsim toggles. Each toggle is timed from the qevsim command to the
// client's session activation notification for the microphone (the last of the pass), beside a
// bare IAudioSessionEvents client in this process timed from the same command (the simulator's
// own notification latency). Prints p50 and p99 of both and their difference.
//   usage: qev_session_bench [changes]     (default 200)
#include "arrival_queue.h"
#include "client/qev_client.h"
#include "latency_stats.h"
#include "process_launcher.h"
#include "qevsim_runner.h"
#include "raw_session_listener.h"

#include "base/com_init.h"

#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using qev::bench::ArrivalQueue;

constexpr wchar_t kMic[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
constexpr wchar_t kSpeakers[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E01}";
constexpr char kMicText[] = "{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
constexpr std::int32_t kSessionActivationEvent = 4;
constexpr std::chrono::milliseconds kPatience{60000};

double microseconds_between(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::micro>(end - start).count();
}

// The arrival of the microphone's activation (1) or de-activation (0), skipping other events.
std::optional<Clock::time_point> mic_told(ArrivalQueue<qev::client::Event>& events, std::uint32_t value)
{
    while (const auto arrival = events.pop(kPatience)) {
        const qev::client::Event& event = arrival->second;
        if (event.type == kSessionActivationEvent && event.text == kMicText && event.value == value) {
            return arrival->first;
        }
    }
    return std::nullopt;
}

// One speakers session toggle; false when either side was not told.
bool measure_toggle(bool active, qev::bench::RawSessionListener& raw, ArrivalQueue<qev::client::Event>& events,
                    std::vector<double>& raw_us, std::vector<double>& told_us)
{
    const auto start = Clock::now();
    if (!qev::bench::run_qevsim(std::wstring(L"session-state ") + kSpeakers + L" 1 " +
                                (active ? L"active" : L"inactive"))) {
        return false;
    }
    const auto raw_arrival = raw.state_changes().pop(kPatience);
    const auto told = mic_told(events, active ? 1 : 0);
    if (!raw_arrival || !told) {
        return false;
    }
    raw_us.push_back(microseconds_between(start, raw_arrival->first));
    told_us.push_back(microseconds_between(start, *told));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int changes = argc > 1 ? std::atoi(argv[1]) : 200;
    const qev::base::ComInit com(COINIT_MULTITHREADED);
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    if (changes < 1 ||
        !qev::bench::run_qevsim(L"load \"" + qev::bench::windows_path(QEV_MACHINES_DIR "/laptop-apo.reg") + L"\"") ||
        !qev::bench::run_qevsim(std::wstring(L"session-add ") + kMic + L" " + pid + L" active") ||
        !qev::bench::run_qevsim(std::wstring(L"session-add ") + kSpeakers + L" " + pid + L" inactive")) {
        std::fprintf(stderr, "usage: qev_session_bench [changes]  (needs qevsim and sim/machines/laptop-apo.reg)\n");
        return 2;
    }
    qev::bench::RawSessionListener raw;
    qev::bench::ProcessLauncher rpc;
    qev::bench::ProcessLauncher monitor;
    if (!raw.start(kSpeakers, GetCurrentProcessId()) || !rpc.start(qev::bench::windows_path(QEV_SERVER_PATH)) ||
        !monitor.start(qev::bench::windows_path(QEV_SERVER_PATH), L"--server=session_monitor")) {
        std::fprintf(stderr, "qev_session_bench: the baseline listener or a server did not start\n");
        return 1;
    }
    ArrivalQueue<qev::client::Event> events;
    qev::client::ClientOptions options;
    options.connect_timeout = kPatience;
    options.on_event = [&events](const qev::client::Event& event) { events.push(event); };
    qev::client::QevClient client(options);
    std::vector<double> raw_us;
    std::vector<double> told_us;
    // The first toggle waits for the monitor's connection and is not counted.
    bool measured =
        measure_toggle(true, raw, events, raw_us, told_us) && measure_toggle(false, raw, events, raw_us, told_us);
    raw_us.clear();
    told_us.clear();
    for (int i = 0; measured && i < changes; ++i) {
        measured = measure_toggle(i % 2 == 0, raw, events, raw_us, told_us);
    }
    if (!measured) {
        std::fprintf(stderr, "qev_session_bench: a change was not told within %lld ms\n",
                     static_cast<long long>(kPatience.count()));
        return 1;
    }
    const auto raw_stats = qev::bench::summarize(raw_us, {});
    const auto told_stats = qev::bench::summarize(told_us, {});
    std::printf("session state changes made through qevsim: %d\n", changes);
    qev::bench::print_percentiles("simulator's own notification", raw_stats, 36);
    qev::bench::print_percentiles("client's session activation event", told_stats, 36);
    std::printf("difference: p50 %.1f ms   p99 %.1f ms (target: p99 within 100 ms)\n",
                (told_stats.p50_us - raw_stats.p50_us) / 1000.0, (told_stats.p99_us - raw_stats.p99_us) / 1000.0);
    std::printf("ratio: p50 %.2f   p99 %.2f\n", told_stats.p50_us / raw_stats.p50_us,
                told_stats.p99_us / raw_stats.p99_us);
    client.close();
    qev::bench::run_qevsim(L"clear");
    return 0;
}
