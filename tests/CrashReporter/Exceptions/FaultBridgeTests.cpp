// Real faults through the bridge, in forked children: a write to a read-only
// page comes to an exception server as a bad access while the faulting
// thread waits, readable where it faulted; an answer of success lets the
// thread go on (the handler made the page writable), failure ends the process
// by the fault's signal.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Exceptions/ZZCrashMachExceptionServer.h"
#include "CrashReporter/Platform/zzcrash_fault_bridge.h"
#include "CrashReporter/Platform/zzcrash_mach_exception_port_set.h"
#include "tests/CrashReporter/Support/ForkedChild.h"

extern "C" __attribute__((noinline)) void tessivar_bridge_test_write(volatile int* where) {
    *where = 1;
    asm volatile("");
}

namespace {

constexpr std::uintptr_t faultingFunctionBytes = 64;

// What the child's server saw, sent to the parent.
struct Seen {
    std::int32_t type;
    std::int64_t codes[2];
    bool stateWhereItFaulted;
};

struct Child {
    int output;
    int* page;
    zzcrash_kern_return_t answer;
};

zzcrash_kern_return_t onException(pid_t, zzcrash_thread_t thread, std::int32_t type, const std::int64_t* codes,
                                  std::uint32_t count, void* context) {
    const auto* child = static_cast<const Child*>(context);
    Seen seen{type, {codes[0], count > 1 ? codes[1] : 0}, false};
    zzcrash_async_thread_state state;
    if (zzcrash_async_thread_state_from_thread(&state, thread) == ZZCRASH_ESUCCESS) {
        const std::uint64_t pc = zzcrash_async_thread_state_get_reg(&state, ZZCRASH_REG_IP);
        const auto start = reinterpret_cast<std::uintptr_t>(&tessivar_bridge_test_write);
        seen.stateWhereItFaulted = pc >= start && pc < start + faultingFunctionBytes;
    }
    if (write(child->output, &seen, sizeof seen) != sizeof seen) return ZZCRASH_KERN_FAILURE;
    if (child->answer == ZZCRASH_KERN_SUCCESS) mprotect(child->page, 4096, PROT_READ | PROT_WRITE);
    return child->answer;
}

int faultingChild(int output, zzcrash_kern_return_t answer) {
    auto* page = static_cast<int*>(mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    Child child{output, page, answer};
    if (!zzcrash_fault_bridge_install()) return 10;
    auto server = ZZCrashMachExceptionServer::create(onException, &child);
    if (!server) return 11;
    const auto port = server->exceptionPortWithMask(zzcrash_exc_mask(ZZCRASH_EXC_BAD_ACCESS));
    if (!port || !port->registerForTask(getpid(), nullptr)) return 12;
    tessivar_bridge_test_write(page + 4);
    return page[4] == 1 ? 0 : 13;
}

TEST(FaultBridge, AFaultIsSentAsAnExceptionAndItsAnswerDecides) {
    for (const zzcrash_kern_return_t answer : {ZZCRASH_KERN_SUCCESS, ZZCRASH_KERN_FAILURE}) {
        SCOPED_TRACE(answer);
        const auto result = tessivar::testing::runForked([&](int output) { return faultingChild(output, answer); },
                                                         std::chrono::seconds(20));
        if (answer == ZZCRASH_KERN_SUCCESS) {
            EXPECT_TRUE(result.exitedWith(0)) << "status " << result.status;
        } else {
            EXPECT_TRUE(result.killedBy(SIGSEGV)) << "status " << result.status;
        }
        ASSERT_EQ(result.output.size(), sizeof(Seen));
        Seen seen{};
        std::memcpy(&seen, result.output.data(), sizeof seen);
        EXPECT_EQ(seen.type, ZZCRASH_EXC_BAD_ACCESS);
        EXPECT_EQ(seen.codes[0], 2);  // a protection failure: the page is there, read-only
        EXPECT_NE(seen.codes[1], 0);
        EXPECT_TRUE(seen.stateWhereItFaulted);
    }
}

// Only faults the kernel raised are sent; a signal sent with kill is not one.
TEST(FaultBridge, TurnsOnlyKernelRaisedFaultsIntoExceptions) {
    siginfo_t info{};
    info.si_signo = SIGSEGV;
    info.si_code = SI_USER;
    std::int32_t type = 0;
    std::int64_t codes[2];
    EXPECT_FALSE(zzcrash_fault_bridge_exception_of(&info, &type, codes));
    struct Case {
        int signal;
        int code;
        std::int32_t type;
        std::int64_t firstCode;
    };
    const Case cases[] = {{SIGSEGV, SEGV_MAPERR, ZZCRASH_EXC_BAD_ACCESS, 1},
                          {SIGSEGV, SEGV_ACCERR, ZZCRASH_EXC_BAD_ACCESS, 2},
                          {SIGBUS, BUS_ADRERR, ZZCRASH_EXC_BAD_ACCESS, 10},
                          {SIGILL, ILL_ILLOPC, ZZCRASH_EXC_BAD_INSTRUCTION, ILL_ILLOPC},
                          {SIGFPE, FPE_INTDIV, ZZCRASH_EXC_ARITHMETIC, FPE_INTDIV},
                          {SIGTRAP, TRAP_BRKPT, ZZCRASH_EXC_BREAKPOINT, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        info.si_signo = c.signal;
        info.si_code = c.code;
        info.si_addr = reinterpret_cast<void*>(0x40);
        ASSERT_TRUE(zzcrash_fault_bridge_exception_of(&info, &type, codes));
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(codes[0], c.firstCode);
        EXPECT_EQ(codes[1], 0x40);
    }
    info.si_signo = SIGABRT;
    info.si_code = 1;
    EXPECT_FALSE(zzcrash_fault_bridge_exception_of(&info, &type, codes));
}

}  // namespace

namespace {

constexpr int manyFaultingThreads = 100;

// The first answer comes late, when every thread has faulted, and makes the
// page writable; the answers after it come at once.
zzcrash_kern_return_t onExceptionLate(pid_t, zzcrash_thread_t, std::int32_t, const std::int64_t*, std::uint32_t,
                                      void* page) {
    static bool answered = false;  // the server answers on one thread
    if (answered) return ZZCRASH_KERN_SUCCESS;
    answered = true;
    usleep(1'000'000);
    return mprotect(page, 4096, PROT_READ | PROT_WRITE) == 0 ? ZZCRASH_KERN_SUCCESS : ZZCRASH_KERN_FAILURE;
}

int manyThreadsFaulting() {
    auto* page = static_cast<int*>(mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (!zzcrash_fault_bridge_install()) return 10;
    auto server = ZZCrashMachExceptionServer::create(onExceptionLate, page);
    if (!server) return 11;
    const auto port = server->exceptionPortWithMask(zzcrash_exc_mask(ZZCRASH_EXC_BAD_ACCESS));
    if (!port || !port->registerForTask(getpid(), nullptr)) return 12;
    std::vector<std::thread> threads;
    for (int i = 0; i < manyFaultingThreads; ++i)
        threads.emplace_back([page, i] { tessivar_bridge_test_write(page + i); });
    for (auto& thread : threads) thread.join();
    return 0;
}

}  // namespace

// More threads fault at once than there are reply ports: the ones past them
// wait for a port as the others wait for their answers, rather than ending
// the process while the first is answered.
TEST(FaultBridge, MoreFaultsAtOnceThanSlotsAllWaitForTheirAnswers) {
    const auto result =
        tessivar::testing::runForked([](int) { return manyThreadsFaulting(); }, std::chrono::seconds(30));
    EXPECT_TRUE(result.exitedWith(0)) << "status " << result.status;
}
