#include "round_trip_runner.h"

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>

namespace qev::bench {

RunResult run_clients(const std::vector<RoundTrip>& clients, std::size_t iterations)
{
    using Clock = std::chrono::steady_clock;
    std::vector<std::vector<double>> times(clients.size());
    std::atomic<std::size_t> failures{0};
    std::latch ready(static_cast<std::ptrdiff_t>(clients.size()) + 1);
    std::vector<std::thread> threads;
    for (std::size_t c = 0; c < clients.size(); ++c) {
        threads.emplace_back([&, c] {
            times[c].reserve(iterations);
            ready.arrive_and_wait();
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
    ready.arrive_and_wait();
    const auto start = Clock::now();
    for (auto& thread : threads) {
        thread.join();
    }
    const auto wall = Clock::now() - start;
    std::vector<double> all;
    for (const auto& client_times : times) {
        all.insert(all.end(), client_times.begin(), client_times.end());
    }
    return {summarize(std::move(all), wall), failures.load()};
}

}  // namespace qev::bench
