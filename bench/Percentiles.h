#pragma once
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tessivar::bench {

// Reports the median and the 99th percentile of the samples (seconds) as the
// counters "p50_us" and "p99_us", which the ratio table compares.
inline void reportPercentiles(benchmark::State& state, std::vector<double> samples) {
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))];
    };
    state.counters["p50_us"] = at(0.50) * 1e6;
    state.counters["p99_us"] = at(0.99) * 1e6;
}

}  // namespace tessivar::bench
