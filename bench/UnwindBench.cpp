// Frames unwound per second on a deep real stack: 100 frames of optimised
// recursion below the benchmark's own, walked to the end from the innermost
// frame by the frame walker (with a stack window and a row cache in static
// storage, as a crash handler can keep them, and without either, as each
// step reads and searches afresh) beside libunwind's unw_step on the same
// stack. Every iteration walks the whole stack.
#define UNW_LOCAL_ONLY
#include <libunwind.h>

#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/zzcrash_async_frame_cursor.h"
#include "CrashReporter/zzcrash_elf_image_list.h"
#include "RatioReporter.h"

namespace {

constexpr int depth = 100;

zzcrash_async_image_list images;
zzcrash_async_unwind_cache cache;
std::uint8_t window[16 * 1024];

struct Walker {
    bool windowAndCache;
    std::uint64_t frames;
};

zzcrash_error_t walkAll(zzcrash_async_thread_state* state, void* context) {
    auto* walker = static_cast<Walker*>(context);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, state, &images);
    if (walker->windowAndCache) {
        zzcrash_async_frame_cursor_set_memory_buffer(&cursor, window, sizeof window);
        zzcrash_async_frame_cursor_set_cache(&cursor, &cache);
    }
    std::uint64_t frames = 0;
    while (zzcrash_async_frame_cursor_next(&cursor) == ZZCRASH_FRAME_ESUCCESS) ++frames;
    zzcrash_async_frame_cursor_free(&cursor);
    walker->frames = frames;
    return ZZCRASH_ESUCCESS;
}

std::uint64_t walkWithLibunwind() {
    unw_context_t context;
    unw_cursor_t cursor;
    unw_getcontext(&context);
    unw_init_local(&cursor, &context);
    std::uint64_t frames = 1;
    while (unw_step(&cursor) > 0) ++frames;
    return frames;
}

using Walk = std::uint64_t (*)(benchmark::State&);

void measure(benchmark::State& state, std::uint64_t (*walk)()) {
    std::uint64_t frames = 0;
    for (auto _ : state) frames = walk();
    state.SetItemsProcessed(static_cast<std::int64_t>(frames * state.iterations()));
    state.counters["frames"] = static_cast<double>(frames);
}

// Recursion that the optimiser keeps: each level does work after its call.
__attribute__((noinline)) std::uint64_t descend(int level, benchmark::State& state, std::uint64_t (*walk)()) {
    if (level == 0) {
        measure(state, walk);
        return 1;
    }
    const std::uint64_t below = descend(level - 1, state, walk);
    asm volatile("" ::: "memory");
    return below + static_cast<std::uint64_t>(level);
}

std::uint64_t walkCached() {
    Walker walker{true, 0};
    zzcrash_async_thread_state_current(walkAll, &walker);
    return walker.frames;
}

std::uint64_t walkUncached() {
    Walker walker{false, 0};
    zzcrash_async_thread_state_current(walkAll, &walker);
    return walker.frames;
}

void FrameWalker(benchmark::State& state) { benchmark::DoNotOptimize(descend(depth, state, walkCached)); }
void FrameWalkerUncached(benchmark::State& state) { benchmark::DoNotOptimize(descend(depth, state, walkUncached)); }
void Libunwind(benchmark::State& state) { benchmark::DoNotOptimize(descend(depth, state, walkWithLibunwind)); }

BENCHMARK(FrameWalker);
BENCHMARK(FrameWalkerUncached)->Iterations(20);
BENCHMARK(Libunwind);

}  // namespace

int main(int argc, char** argv) {
    zzcrash_async_image_list_init(&images, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    zzcrash_elf_image_list_refresh(&images);
    zzcrash_async_unwind_cache_init(&cache);
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter(
        {{"FrameWalker", "Libunwind"}, {"FrameWalkerUncached/iterations:20", "Libunwind"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    zzcrash_async_image_list_free(&images);
    return 0;
}
