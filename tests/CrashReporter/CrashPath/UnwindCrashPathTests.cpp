// The frame walker as a crash handler runs it: in a signal handler on an
// alternate stack of 48 KiB, under the allocation trap, walking the crashed
// thread from the signal's context through this process's ELF images with a
// window and a row cache in static storage.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Platform/zzcrash_loaded_images.h"
#include "tests/CrashReporter/CrashPath/CrashPathRun.h"
#include "tests/CrashReporter/Support/AllocationTrap.h"
#include "tests/CrashReporter/Support/ForkedChild.h"

namespace {

using tessivar::testing::signalStackBytes;
constexpr std::uint32_t maxFrames = 128;

zzcrash_async_image_list images;
zzcrash_async_unwind_cache cache;
std::uint8_t window[16 * 1024];

struct WalkOutcome {
    std::uint32_t frames;
    zzcrash_async_frame_error end;
};

WalkOutcome walk(const ucontext_t* context) {
    zzcrash_async_thread_state state;
    zzcrash_async_thread_state_from_mcontext(&state, &context->uc_mcontext);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, &state, &images);
    zzcrash_async_frame_cursor_set_memory_buffer(&cursor, window, sizeof window);
    zzcrash_async_frame_cursor_set_cache(&cursor, &cache);
    WalkOutcome outcome{0, ZZCRASH_FRAME_ESUCCESS};
    while (outcome.frames < maxFrames &&
           (outcome.end = zzcrash_async_frame_cursor_next(&cursor)) == ZZCRASH_FRAME_ESUCCESS)
        ++outcome.frames;
    zzcrash_async_frame_cursor_free(&cursor);
    return outcome;
}

// Walks twice (the second walk takes its rows from the cache) and ends the
// child: 0 when both walks went from the fault down to _start, the end of the
// stack, without allocating.
void walkInHandler(int, siginfo_t*, void* context) {
    std::size_t allocations = 0;
    WalkOutcome first{};
    WalkOutcome second{};
    {
        tessivar::testing::AllocationTrap trap;
        first = walk(static_cast<ucontext_t*>(context));
        second = walk(static_cast<ucontext_t*>(context));
        allocations = trap.calls();
    }
    if (allocations != 0) _exit(5);
    if (first.frames != second.frames || first.end != second.end) _exit(6);
    if (first.frames < 8) _exit(7);
    _exit(first.end == ZZCRASH_FRAME_ENOFRAME ? 0 : 10 + first.end);
}

// The faulting thread: a write to a page that cannot be written, four calls deep.
__attribute__((noinline)) void fault(volatile int* where, int depth) {
    if (depth == 0)
        *where = 1;
    else
        fault(where, depth - 1);
    asm volatile("");
}

int walkCrashedThread() {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    auto* memory = static_cast<char*>(
        mmap(nullptr, 2 * page + signalStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (memory == MAP_FAILED || mprotect(memory, page, PROT_NONE) != 0) return 2;
    stack_t stack{};
    stack.ss_sp = memory + page;
    stack.ss_size = signalStackBytes;
    if (sigaltstack(&stack, nullptr) != 0) return 3;
    zzcrash_async_image_list_init(&images, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    zzcrash_loaded_images_each(
        [](std::uint64_t header, const char* name, void*) { zzcrash_async_image_list_append(&images, header, name); },
        nullptr);
    zzcrash_async_unwind_cache_init(&cache);
    struct sigaction action {};
    action.sa_sigaction = walkInHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, nullptr);
    auto* readOnly = reinterpret_cast<volatile int*>(memory + page + signalStackBytes);
    mprotect(memory + page + signalStackBytes, page, PROT_READ);
    fault(readOnly, 4);  // the handler ends the child
    return 4;
}

TEST(CrashPathUnwind, WalksTheCrashedThreadOnA48KiBStackWithoutAllocating) {
    const auto result = tessivar::testing::runForked([](int) { return walkCrashedThread(); }, std::chrono::seconds(20));
    EXPECT_TRUE(result.exitedWith(0)) << "wait status " << result.status;
}

}  // namespace
