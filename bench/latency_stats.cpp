#include "latency_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qev::bench {

namespace {

double nearest_rank(const std::vector<double>& sorted, double percentile)
{
    const auto rank = static_cast<std::size_t>(std::ceil(percentile / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

LatencyStats summarize(std::vector<double> round_trips_us, std::chrono::duration<double> wall_time)
{
    LatencyStats stats;
    stats.calls = round_trips_us.size();
    if (round_trips_us.empty()) {
        return stats;
    }
    std::sort(round_trips_us.begin(), round_trips_us.end());
    stats.p50_us = nearest_rank(round_trips_us, 50.0);
    stats.p99_us = nearest_rank(round_trips_us, 99.0);
    if (wall_time.count() > 0.0) {
        stats.calls_per_second = static_cast<double>(stats.calls) / wall_time.count();
    }
    return stats;
}

void print_percentiles(const char* what, const LatencyStats& stats, int width)
{
    std::printf("  %-*s p50 %9.1f us   p99 %9.1f us\n", width, what, stats.p50_us, stats.p99_us);
}

}  // namespace qev::bench
