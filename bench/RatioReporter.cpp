#include "RatioReporter.h"

#include <cstdio>

namespace tessivar::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
        if (run.error_occurred || run.iterations == 0) continue;
        const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        nanoseconds_[run.benchmark_name()] = seconds * 1e9;
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::printf("\n%-40s %14s %14s %8s\n", "figure", "ns", "reference ns", "ratio");
    for (const auto& [figure, reference] : pairs_) {
        const auto f = nanoseconds_.find(figure);
        const auto r = nanoseconds_.find(reference);
        if (f == nanoseconds_.end() || r == nanoseconds_.end() || r->second <= 0) continue;
        std::printf("%-40s %14.0f %14.0f %8.2f   (reference: %s)\n", figure.c_str(), f->second, r->second,
                    f->second / r->second, reference.c_str());
    }
}

}  // namespace tessivar::bench
