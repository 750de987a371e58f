// Version-7 ids from the shared generator, beside reading the same ten random
// bytes straight from the kernel: the reference is what an id would cost if
// every id asked getrandom(2) for its entropy.
#include <array>
#include <cstdint>

#include "Platform/Foundation/SecureRandom.h"
#include "RatioReporter.h"
#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"

namespace {

void GetRandomTenBytes(benchmark::State& state) {
    std::array<std::uint8_t, 10> bytes{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::SecureRandom::fill(bytes));
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations());
}

void VersionSevenId(benchmark::State& state) {
    auto& generator = zerazov::TimeBasedEpochGenerator::shared();
    for (auto _ : state) benchmark::DoNotOptimize(generator.v7());
    state.SetItemsProcessed(state.iterations());
}

// What an event and a queue file name actually take: the id as its text.
void VersionSevenIdText(benchmark::State& state) {
    auto& generator = zerazov::TimeBasedEpochGenerator::shared();
    for (auto _ : state) benchmark::DoNotOptimize(generator.v7().uuidString());
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(GetRandomTenBytes);
BENCHMARK(VersionSevenId);
BENCHMARK(VersionSevenIdText);
BENCHMARK(VersionSevenId)->Threads(4);
BENCHMARK(GetRandomTenBytes)->Threads(4);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter({{"VersionSevenId", "GetRandomTenBytes"},
                                             {"VersionSevenIdText", "GetRandomTenBytes"},
                                             {"VersionSevenId/threads:4", "GetRandomTenBytes/threads:4"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
