#include "RatioReporter.h"

#include <cstdio>
#include <string>

namespace tessivar::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
        if (run.error_occurred || run.iterations == 0) continue;
        // With --benchmark_repetitions the median stands for the figure: on a
        // shared machine one repetition may wait for the scheduler far longer.
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) continue;
        const std::string name = median ? run.run_name.str() : run.benchmark_name();
        const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        nanoseconds_[name] = seconds * 1e9;
        for (const auto& [counter, value] : run.counters) counters_[name][counter] = value.value;
    }
}

namespace {
// "  p50 +103 us, p99 +1834 us" when both runs report the percentile.
std::string percentileGaps(const std::map<std::string, double>& figure,
                           const std::map<std::string, double>& reference) {
    std::string gaps;
    for (const char* percentile : {"p50_us", "p99_us"}) {
        const auto f = figure.find(percentile);
        const auto r = reference.find(percentile);
        if (f == figure.end() || r == reference.end()) continue;
        char text[64];
        std::snprintf(text, sizeof text, "%s %.3s %+.0f us", gaps.empty() ? "  " : ",", percentile,
                      f->second - r->second);
        gaps += text;
    }
    return gaps;
}
}  // namespace

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::printf("\n%-40s %14s %14s %8s\n", "figure", "ns", "reference ns", "ratio");
    for (const auto& [figure, reference] : pairs_) {
        const auto f = nanoseconds_.find(figure);
        const auto r = nanoseconds_.find(reference);
        if (f == nanoseconds_.end() || r == nanoseconds_.end() || r->second <= 0) continue;
        std::printf("%-40s %14.0f %14.0f %8.2f   (reference: %s)%s\n", figure.c_str(), f->second, r->second,
                    f->second / r->second, reference.c_str(),
                    percentileGaps(counters_[figure], counters_[reference]).c_str());
    }
}

}  // namespace tessivar::bench
