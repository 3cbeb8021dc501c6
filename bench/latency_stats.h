#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

namespace qev::bench {

// The figures of one measured run.
struct LatencyStats {
    std::size_t calls = 0;
    double p50_us = 0.0;
    double p99_us = 0.0;
    double calls_per_second = 0.0;
};

// Percentiles of the round-trip times (nearest rank) and calls per second over the run's wall time.
LatencyStats summarize(std::vector<double> round_trips_us, std::chrono::duration<double> wall_time);

// One indented line "<what> p50 ... us   p99 ... us", the label padded to `width`.
void print_percentiles(const char* what, const LatencyStats& stats, int width);

}  // namespace qev::bench
