// Frames unwound per second on a deep real stack: 100 frames of optimised
// recursion below the benchmark's own, walked to the end from the innermost
// frame by the frame walker (with a stack window and a row cache in static
// storage, as a crash handler can keep them, and without either, as each
// step reads and searches afresh) beside libunwind's unw_step on the same
// stack. Every iteration walks the whole stack.
//
// As a crash meets it: a stack that runs through libc, zlib and QtCore
// (CrossLibraryStack) walked with a fresh cursor, window and row cache each
// time (ColdFrameWalker), beside libunwind on the same stack with its caches
// flushed before each walk (ColdLibunwind) and with them kept (WarmLibunwind).
// The walks' return addresses are compared from the outermost frame in: the
// "same_frames" counter is how many agree, of "frames".
#define UNW_LOCAL_ONLY
#include <libunwind.h>

#include <cstdint>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "CrossLibraryStack.h"
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

// The cold walks keep the frames they saw, to compare them.
constexpr int maxFrames = 256;
struct Seen {
    std::uint64_t pcs[maxFrames];
    int count;
};
Seen walkerSeen;
Seen libunwindSeen;

zzcrash_error_t walkCold(zzcrash_async_thread_state* state, void*) {
    zzcrash_async_unwind_cache_init(&cache);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, state, &images);
    zzcrash_async_frame_cursor_set_memory_buffer(&cursor, window, sizeof window);
    zzcrash_async_frame_cursor_set_cache(&cursor, &cache);
    walkerSeen.count = 0;
    while (zzcrash_async_frame_cursor_next(&cursor) == ZZCRASH_FRAME_ESUCCESS && walkerSeen.count < maxFrames)
        zzcrash_async_frame_cursor_get_reg(&cursor, ZZCRASH_REG_IP, &walkerSeen.pcs[walkerSeen.count++]);
    zzcrash_async_frame_cursor_free(&cursor);
    return ZZCRASH_ESUCCESS;
}

std::uint64_t walkColdFrameWalker() {
    zzcrash_async_thread_state_current(walkCold, nullptr);
    return static_cast<std::uint64_t>(walkerSeen.count);
}

std::uint64_t walkLibunwindKeeping() {
    unw_context_t context;
    unw_cursor_t cursor;
    unw_getcontext(&context);
    unw_init_local(&cursor, &context);
    libunwindSeen.count = 0;
    do {
        unw_word_t pc = 0;
        unw_get_reg(&cursor, UNW_REG_IP, &pc);
        libunwindSeen.pcs[libunwindSeen.count++] = pc;
    } while (libunwindSeen.count < maxFrames && unw_step(&cursor) > 0);
    return static_cast<std::uint64_t>(libunwindSeen.count);
}

std::uint64_t walkColdLibunwind() {
    unw_flush_cache(unw_local_addr_space, 0, 0);
    return walkLibunwindKeeping();
}

// Return addresses both walks agree on, from the outermost frame in.
double sameFrames() {
    int same = 0;
    for (int w = walkerSeen.count - 1, l = libunwindSeen.count - 1; w >= 0 && l >= 0; --w, --l, ++same)
        if (walkerSeen.pcs[w] != libunwindSeen.pcs[l]) break;
    return same;
}

struct Across {
    benchmark::State* state;
    std::uint64_t (*walk)();
};

void measureAcross(void* argument) {
    auto* across = static_cast<Across*>(argument);
    // libunwind's frames at the same point, to compare the walk's with.
    walkLibunwindKeeping();
    measure(*across->state, across->walk);
}

void walkAcross(benchmark::State& state, std::uint64_t (*walk)()) {
    Across across{&state, walk};
    tessivar::bench::throughLibraries(depth, measureAcross, &across);
}

void ColdFrameWalker(benchmark::State& state) {
    walkAcross(state, walkColdFrameWalker);
    state.counters["same_frames"] = sameFrames();
}
void ColdLibunwind(benchmark::State& state) { walkAcross(state, walkColdLibunwind); }
void WarmLibunwind(benchmark::State& state) { walkAcross(state, walkLibunwindKeeping); }

BENCHMARK(FrameWalker);
BENCHMARK(FrameWalkerUncached)->Iterations(20);
BENCHMARK(Libunwind);
BENCHMARK(ColdFrameWalker);
BENCHMARK(ColdLibunwind);
BENCHMARK(WarmLibunwind);

}  // namespace

int main(int argc, char** argv) {
    zzcrash_async_image_list_init(&images, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    zzcrash_elf_image_list_refresh(&images);
    zzcrash_async_unwind_cache_init(&cache);
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter({{"FrameWalker", "Libunwind"},
                                             {"FrameWalkerUncached/iterations:20", "Libunwind"},
                                             {"ColdFrameWalker", "ColdLibunwind"},
                                             {"ColdFrameWalker", "WarmLibunwind"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    zzcrash_async_image_list_free(&images);
    return 0;
}
