#pragma once

#include "latency_stats.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace qev::bench {

// One round trip of one client; false when it failed.
using RoundTrip = std::function<bool()>;

// The round-trip times of one configuration, gathered over one or more runs. Failed round trips
// are counted, not timed.
struct RunSamples {
    std::vector<double> times_us;
    std::chrono::duration<double> wall_time{0};
    std::size_t failures = 0;

    void add(const RunSamples& run);
    LatencyStats stats() const { return summarize(times_us, wall_time); }
};

// Runs every client's round trip `iterations` times, all clients at once on threads of their own
// released together.
RunSamples run_clients(const std::vector<RoundTrip>& clients, std::size_t iterations);

}  // namespace qev::bench
