#pragma once

#include "latency_stats.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace qev::bench {

// One round trip of one client; false when it failed.
using RoundTrip = std::function<bool()>;

// Runs every client's round trip `iterations` times, all clients at once on threads of their own
// released together, and summarizes the times. Failed round trips are counted, not timed.
struct RunResult {
    LatencyStats stats;
    std::size_t failures = 0;
};
RunResult run_clients(const std::vector<RoundTrip>& clients, std::size_t iterations);

}  // namespace qev::bench
