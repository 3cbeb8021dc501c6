#include "round_trip_runner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qev::bench {

void RunSamples::add(const RunSamples& run)
{
    times_us.insert(times_us.end(), run.times_us.begin(), run.times_us.end());
    wall_time += run.wall_time;
    failures += run.failures;
}

RunSamples run_clients(const std::vector<RoundTrip>& clients, std::size_t iterations)
{
    using Clock = std::chrono::steady_clock;
    std::vector<std::vector<double>> times(clients.size());
    std::atomic<std::size_t> failures{0};
    // A plain gate: std::latch of this toolchain's library can miss its wake-up on Windows.
    std::mutex gate_mutex;
    std::condition_variable gate;
    bool open = false;
    std::vector<std::thread> threads;
    for (std::size_t c = 0; c < clients.size(); ++c) {
        threads.emplace_back([&, c] {
            times[c].reserve(iterations);
            {
                std::unique_lock lock(gate_mutex);
                gate.wait(lock, [&] { return open; });
            }
            for (std::size_t i = 0; i < iterations; ++i) {
                const auto start = Clock::now();
                if (!clients[c]()) {
                    ++failures;
                    continue;
                }
                times[c].push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            }
        });
    }
    const auto start = Clock::now();
    {
        const std::lock_guard lock(gate_mutex);
        open = true;
    }
    gate.notify_all();
    for (auto& thread : threads) {
        thread.join();
    }
    RunSamples samples;
    samples.wall_time = Clock::now() - start;
    for (const auto& client_times : times) {
        samples.times_us.insert(samples.times_us.end(), client_times.begin(), client_times.end());
    }
    samples.failures = failures.load();
    return samples;
}

}  // namespace qev::bench
