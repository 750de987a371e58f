#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_signal_names.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "tests/CrashReporter/Support/ForkedChild.h"

// Probes in assembly, so that the registers and the stack at each point are
// known exactly:
// - frameless_probe(callback, context): a function without a frame pointer
//   (its frame is rsp + 32) that puts markers in rbx and r12 and captures
//   itself; it records its rsp, the return site after its call and its own
//   return address.
// - fault_probe(address): puts markers in rbx and r12-r15, records rsp, and
//   loads from `address` at fault_site.
// - spin_probe(flags): puts the markers in place, says so in flags[1] and
//   spins between spin_begin and spin_end until flags[0] is set.
extern "C" {
std::uint64_t probeStackPointer;
std::uint64_t probeReturnSite;
std::uint64_t probeCallerReturn;
zzcrash_error_t zzcrash_test_frameless_probe(zzcrash_async_thread_state_current_callback, void*);
void zzcrash_test_fault_probe(std::uint64_t address);
void zzcrash_test_spin_probe(volatile std::uint32_t* flags);
extern char zzcrash_test_fault_site[];
extern char zzcrash_test_spin_begin[];
extern char zzcrash_test_spin_end[];
}

asm(R"(
    .pushsection .text
    .globl zzcrash_test_frameless_probe
    .type zzcrash_test_frameless_probe, @function
zzcrash_test_frameless_probe:
    .cfi_startproc
    subq $24, %rsp
    .cfi_def_cfa_offset 32
    movq %rbx, 0(%rsp)
    .cfi_offset %rbx, -32
    movq %r12, 8(%rsp)
    .cfi_offset %r12, -24
    movq $0x5151515151515151, %rbx
    movq $0x1212121212121212, %r12
    movq %rsp, probeStackPointer(%rip)
    leaq 1f(%rip), %rax
    movq %rax, probeReturnSite(%rip)
    movq 24(%rsp), %rax
    movq %rax, probeCallerReturn(%rip)
    call zzcrash_async_thread_state_current
1:
    movq 0(%rsp), %rbx
    movq 8(%rsp), %r12
    addq $24, %rsp
    .cfi_def_cfa_offset 8
    ret
    .cfi_endproc
    .size zzcrash_test_frameless_probe, .-zzcrash_test_frameless_probe

    .globl zzcrash_test_fault_probe
    .globl zzcrash_test_fault_site
    .type zzcrash_test_fault_probe, @function
zzcrash_test_fault_probe:
    movq $0x5151515151515151, %rbx
    movq $0x1212121212121212, %r12
    movq $0x1313131313131313, %r13
    movq $0x1414141414141414, %r14
    movq $0x1515151515151515, %r15
    movq %rsp, probeStackPointer(%rip)
zzcrash_test_fault_site:
    movq (%rdi), %rax
    ud2
    .size zzcrash_test_fault_probe, .-zzcrash_test_fault_probe

    .globl zzcrash_test_spin_probe
    .globl zzcrash_test_spin_begin
    .globl zzcrash_test_spin_end
    .type zzcrash_test_spin_probe, @function
zzcrash_test_spin_probe:
    pushq %rbx
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    movq $0x5151515151515151, %rbx
    movq $0x1212121212121212, %r12
    movq $0x1313131313131313, %r13
    movq $0x1414141414141414, %r14
    movq $0x1515151515151515, %r15
    movl $1, 4(%rdi)
zzcrash_test_spin_begin:
    pause
    cmpl $0, (%rdi)
    je zzcrash_test_spin_begin
zzcrash_test_spin_end:
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    ret
    .size zzcrash_test_spin_probe, .-zzcrash_test_spin_probe
    .popsection
)");

namespace {

using State = zzcrash_async_thread_state;
constexpr std::uint64_t rbxMarker = 0x5151515151515151;
constexpr std::uint64_t r12Marker = 0x1212121212121212;
// Long enough for every thread to answer on a loaded test machine; a stop
// ends as soon as all have answered.
constexpr std::int64_t answeringTimeoutMs = 2000;

std::uint64_t reg(const State& state, std::uint32_t index) { return zzcrash_async_thread_state_get_reg(&state, index); }

// The word at the captured rsp + 24, read while the probe's frame is alive.
std::uint64_t returnAddressAboveCapturedFrame = 0;

zzcrash_error_t keepState(State* state, void* context) {
    zzcrash_async_thread_state_copy(static_cast<State*>(context), state);
    returnAddressAboveCapturedFrame =
        *reinterpret_cast<const std::uint64_t*>(zzcrash_async_thread_state_get_reg(state, ZZCRASH_X86_64_RSP) + 24);
    return ZZCRASH_EINVALID_DATA;  // any code: it is handed back
}

// The state of a frameless caller must let an unwinder find its frame from
// the stack pointer alone: rsp is the caller's own (as after the return), and
// rsp + 24 holds the caller's return address.
TEST(ThreadStateCurrent, CapturesAFramelessCallerAsItIsAtTheReturnSite) {
    State state{};
    EXPECT_EQ(zzcrash_test_frameless_probe(keepState, &state), ZZCRASH_EINVALID_DATA);
    EXPECT_EQ(state.valid_mask, (std::uint64_t{1} << 21) - 1);
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_RIP), probeReturnSite);
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_RSP), probeStackPointer);
    EXPECT_EQ(returnAddressAboveCapturedFrame, probeCallerReturn);
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_RBX), rbxMarker);
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_R12), r12Marker);
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_RDI), reinterpret_cast<std::uint64_t>(&keepState));
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_RSI), reinterpret_cast<std::uint64_t>(&state));
    EXPECT_EQ(state.exception_state.ues.es64.faultvaddr, 0u);
    EXPECT_EQ(state.exception_state.ues.es64.trapno, 0u);
}

void describeFault(int signal, siginfo_t* info, void* context) {
    State state;
    zzcrash_async_thread_state_from_mcontext(&state, &static_cast<ucontext_t*>(context)->uc_mcontext);
    const auto& exception = state.exception_state.ues.es64;
    char line[512];
    const int length = std::snprintf(
        line, sizeof line,
        "%s %s rip=%" PRIx64 " rsp=%s rbx=%" PRIx64 " r12=%" PRIx64 " r15=%" PRIx64 " rdi=%" PRIx64
        " trapno=%u err=%u fault=%" PRIx64 " valid=%" PRIx64 " cs=%" PRIx64,
        zzcrash_async_signal_name(signal), zzcrash_async_signal_code_name(signal, info->si_code),
        reg(state, ZZCRASH_X86_64_RIP), reg(state, ZZCRASH_X86_64_RSP) == probeStackPointer ? "probe's" : "other",
        reg(state, ZZCRASH_X86_64_RBX), reg(state, ZZCRASH_X86_64_R12), reg(state, ZZCRASH_X86_64_R15),
        reg(state, ZZCRASH_X86_64_RDI), exception.trapno, exception.err, exception.faultvaddr, state.valid_mask,
        reg(state, ZZCRASH_X86_64_CS));
    _exit(write(3, line, static_cast<std::size_t>(length)) == length ? 0 : 1);
}

// A real SIGSEGV in a child: the state from its signal context has the
// faulting instruction, the registers as they were, and the page fault's
// trap number (14), error code (4: a read from user mode of a page that is
// not there) and address.
TEST(ThreadStateFromMcontext, TakesTheRegistersOfARealSegmentationFault) {
    const auto result = tessivar::testing::runForked(
        [](int output) {
            dup2(output, 3);
            struct sigaction action {};
            action.sa_sigaction = describeFault;
            action.sa_flags = SA_SIGINFO;
            sigemptyset(&action.sa_mask);
            sigaction(SIGSEGV, &action, nullptr);
            zzcrash_test_fault_probe(0x48);
            return 2;
        },
        std::chrono::seconds(10));
    ASSERT_TRUE(result.exitedWith(0)) << result.status;
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "SIGSEGV SEGV_MAPERR rip=%" PRIx64 " rsp=probe's rbx=%" PRIx64 " r12=%" PRIx64
                  " r15=1515151515151515 rdi=48 trapno=14 err=4 fault=48 valid=1fffff cs=33",
                  reinterpret_cast<std::uint64_t>(zzcrash_test_fault_site), rbxMarker, r12Marker);
    EXPECT_EQ(result.output, expected);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Another thread, stopped where it spins: its registers are those of the
// loop, and it goes on once resumed. The calling thread is never stopped, so
// it has no state this way.
TEST(ThreadStateFromThread, ReadsAStoppedThreadsRegisters) {
    ASSERT_TRUE(zzcrash_thread_stopper_install());
    volatile std::uint32_t flags[2] = {0, 0};
    std::atomic<zzcrash_thread_t> spinner{0};
    std::atomic<bool> finished{false};
    std::thread thread([&] {
        spinner = zzcrash_thread_self();
        zzcrash_test_spin_probe(flags);
        finished = true;
    });
    ASSERT_TRUE(waitFor([&] { return flags[1] == 1; }, std::chrono::seconds(5)));
    zzcrash_thread_list threads;
    ASSERT_TRUE(zzcrash_thread_list_read(&threads));
    const int stopped = zzcrash_threads_stop(&threads, zzcrash_thread_self(), answeringTimeoutMs);
    State state{};
    const zzcrash_error_t spinnerRead = zzcrash_async_thread_state_from_thread(&state, spinner);
    State self{};
    const zzcrash_error_t selfRead = zzcrash_async_thread_state_from_thread(&self, zzcrash_thread_self());
    zzcrash_threads_resume();
    flags[0] = 1;
    const bool went = waitFor([&] { return finished.load(); }, std::chrono::seconds(5));
    if (went)
        thread.join();
    else
        thread.detach();
    EXPECT_EQ(stopped, static_cast<int>(threads.count) - 1);
    ASSERT_EQ(spinnerRead, ZZCRASH_ESUCCESS);
    EXPECT_EQ(selfRead, ZZCRASH_EINTERNAL);
    EXPECT_TRUE(went);
    const std::uint64_t rip = reg(state, ZZCRASH_X86_64_RIP);
    EXPECT_GE(rip, reinterpret_cast<std::uint64_t>(zzcrash_test_spin_begin));
    EXPECT_LE(rip, reinterpret_cast<std::uint64_t>(zzcrash_test_spin_end));
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_RBX), rbxMarker);
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_R12), r12Marker);
    EXPECT_EQ(reg(state, ZZCRASH_X86_64_RDI), reinterpret_cast<std::uint64_t>(flags));
    EXPECT_EQ(state.valid_mask, (std::uint64_t{1} << 21) - 1);
}

}  // namespace
