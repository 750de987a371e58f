#pragma once
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tessivar::bench {

// The console reporter, followed by a table that sets each measured figure
// beside the reference figure measured in the same run, with their ratio, and
// for latencies (runs that report the counters "p50_us" and "p99_us") how far
// the figure's percentiles lie above the reference's. With repetitions, the
// medians are set side by side.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Pairs of (figure, reference) benchmark names.
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs) : pairs_(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    std::map<std::string, double> nanoseconds_;
    std::map<std::string, std::map<std::string, double>> counters_;
};

}  // namespace tessivar::bench
