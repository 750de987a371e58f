#pragma once
#include <benchmark/benchmark.h>

#include <vector>

namespace tessivar::bench {

// Reports the median and the 99th percentile of the samples (seconds) as the
// counters "p50_us" and "p99_us", which the ratio table compares.
void reportPercentiles(benchmark::State& state, std::vector<double> samples);

}  // namespace tessivar::bench
