#include <dirent.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/CrashReporter/CrashPath/CrashPathRun.h"
#include "tests/CrashReporter/Support/AllocationTrap.h"
#include "tests/CrashReporter/Support/ForkedChild.h"

namespace {

using tessivar::testing::AllocationTrap;
using tessivar::testing::CrashPathInputs;
using tessivar::testing::runCrashPath;

void* volatile kept = nullptr;

// The trap itself: each way to allocate is counted, the C library's own
// internal ones included (opendir allocates its buffer).
TEST(AllocationTrap, CountsEveryWayToAllocate) {
    struct Case {
        const char* what;
        void (*allocate)();
    };
    // Through a volatile pointer, so that the compiler keeps each pair.
    const Case cases[] = {
        {"malloc",
         [] {
             kept = std::malloc(16);
             std::free(kept);
         }},
        {"calloc",
         [] {
             kept = std::calloc(2, 8);
             std::free(kept);
         }},
        {"realloc",
         [] {
             kept = std::realloc(nullptr, 8);
             std::free(kept);
         }},
        {"aligned_alloc",
         [] {
             kept = std::aligned_alloc(64, 64);
             std::free(kept);
         }},
        {"operator new",
         [] {
             kept = new int(1);
             delete static_cast<int*>(kept);
         }},
        {"std::string", [] { std::string text(100, 'x'); }},
        {"opendir", [] { closedir(opendir("/")); }},
    };
    for (const Case& c : cases) {
        std::size_t calls = 0;
        {
            AllocationTrap trap;
            c.allocate();
            calls = trap.calls();
        }
        EXPECT_GE(calls, 2u) << c.what;  // the allocation and its release
    }
    AllocationTrap quiet;
    EXPECT_EQ(quiet.calls(), 0u);
}

// Threads for the crash path to stop: they spin until told to end.
class Bystanders {
public:
    explicit Bystanders(int count) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([this] {
                started_.fetch_add(1);
                while (!end_.load()) std::atomic_signal_fence(std::memory_order_seq_cst);
            });
        }
        while (started_.load() < count) std::this_thread::yield();
    }
    ~Bystanders() {
        end_ = true;
        for (auto& thread : threads_) thread.join();
    }

private:
    std::vector<std::thread> threads_;
    std::atomic<int> started_{0};
    std::atomic<bool> end_{false};
};

TEST(CrashPath, AllocatesNothing) {
    CrashPathInputs inputs;
    Bystanders bystanders(3);
    unsigned failures = 0;
    std::size_t calls = 0;
    void* caller = nullptr;
    {
        AllocationTrap trap;
        failures = runCrashPath(inputs, nullptr);
        calls = trap.calls();
        caller = trap.firstCaller();
    }
    EXPECT_EQ(failures, 0u);
    EXPECT_EQ(calls, 0u) << "first allocation called from " << caller;
}

// The crash path in a signal handler on an alternate stack of 48 KiB with an
// inaccessible page below it: using more stack than that faults on the guard
// page, and the child dies of it.
using tessivar::testing::signalStackBytes;
std::unique_ptr<CrashPathInputs> handlerInputs;
std::atomic<unsigned> handlerFailures{~0u};
std::atomic<std::size_t> handlerAllocations{~std::size_t{0}};

void runCrashPathInHandler(int, siginfo_t*, void* context) {
    AllocationTrap trap;
    handlerFailures = runCrashPath(*handlerInputs, static_cast<ucontext_t*>(context));
    handlerAllocations = trap.calls();
}

int crashPathOnSmallSignalStack() {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    auto* memory = static_cast<char*>(
        mmap(nullptr, page + signalStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (memory == MAP_FAILED || mprotect(memory, page, PROT_NONE) != 0) return 2;
    stack_t stack{};
    stack.ss_sp = memory + page;
    stack.ss_size = signalStackBytes;
    if (sigaltstack(&stack, nullptr) != 0) return 3;
    handlerInputs = std::make_unique<CrashPathInputs>();
    Bystanders bystanders(2);
    struct sigaction action {};
    action.sa_sigaction = runCrashPathInHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
    raise(SIGUSR1);
    if (handlerFailures != 0) return 10 + static_cast<int>(handlerFailures.load());
    return handlerAllocations == 0 ? 0 : 4;
}

TEST(CrashPath, RunsInASignalHandlerOnA48KiBStack) {
    const auto result =
        tessivar::testing::runForked([](int) { return crashPathOnSmallSignalStack(); }, std::chrono::seconds(20));
    EXPECT_TRUE(result.exitedWith(0)) << "wait status " << result.status;
}

// The symbols the crash path's objects need from elsewhere: none may take a
// function-local static's guard (a lock), throw, or (but for the image list's
// writers and the image records they make) reach the allocator.
std::vector<std::string> forbiddenReferences(const std::string& library) {
    const std::set<std::string> forbidden = {"__cxa_guard_acquire", "__cxa_throw", "__cxa_allocate_exception",
                                             "__cxa_begin_catch", "_Unwind_Resume"};
    const std::set<std::string> allocator = {"malloc", "calloc", "realloc", "free",  "_Znwm",
                                             "_Znam",  "_ZdlPv", "_ZdlPvm", "_ZdaPv"};
    std::vector<std::string> found;
    const std::string command = "nm -A --undefined-only " + library;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {"cannot run nm"};
    char line[1024];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::istringstream fields(line);
        std::string where, kind, symbol;
        fields >> where >> kind >> symbol;
        const bool writesImageList = where.find("zzcrash_async_image_list.cpp.o") != std::string::npos ||
                                     where.find("zzcrash_async_macho_image.cpp.o") != std::string::npos ||
                                     where.find("zzcrash_async_elf_image.cpp.o") != std::string::npos ||
                                     where.find("zzcrash_async_elf_image_file.cpp.o") != std::string::npos;
        if (forbidden.count(symbol) || (allocator.count(symbol) && !writesImageList)) found.push_back(where + symbol);
    }
    return found;
}

TEST(CrashPath, ObjectsReferenceNoGuardsThrowsOrAllocator) {
    for (const char* library : {TESSIVAR_CRASH_ASYNC_LIBRARY, TESSIVAR_CRASH_PLATFORM_LIBRARY}) {
        EXPECT_EQ(forbiddenReferences(library), std::vector<std::string>{}) << library;
    }
}

}  // namespace
