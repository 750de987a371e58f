#include "CrashReporter/Platform/zzcrash_thread_stacks.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "CrashReporter/Platform/Private/zzcrash_monotonic_clock.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"

namespace {

// A running thread's part in the sweep: the sweeping thread offers a stack,
// the thread's handler takes it (or declines it, keeping its own), and a
// stack no one took by the deadline is withdrawn and unmapped.
enum OfferState : std::uint32_t { offered, taken, declined, withdrawn };

struct Offer {
    zzcrash_thread_t thread;
    stack_t stack;
    std::atomic<std::uint32_t> state;
};

Offer offers[ZZCRASH_THREAD_LIST_CAPACITY];
std::atomic<std::uint32_t> offerCount{0};
zzcrash_thread_list running;
// Threads started from here on give themselves a stack.
std::atomic<bool> covering{false};

// Below the thread stopper's signal, among the highest real-time signals,
// which other libraries are least likely to take.
constexpr int signalBelowMax = 4;
constexpr std::int64_t sweepTimeoutMs = 200;

std::size_t pageSize() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }

// The stack above its guard page; ss_sp null when it cannot be mapped.
stack_t mapStack() {
    const std::size_t page = pageSize();
    stack_t stack{};
    void* mapping = mmap(nullptr, page + ZZCRASH_THREAD_STACK_BYTES, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED) return stack;
    if (mprotect(mapping, page, PROT_NONE) != 0) {
        munmap(mapping, page + ZZCRASH_THREAD_STACK_BYTES);
        return stack;
    }
    stack.ss_sp = static_cast<char*>(mapping) + page;
    stack.ss_size = ZZCRASH_THREAD_STACK_BYTES;
    return stack;
}

void unmapStack(const stack_t& stack) {
    if (stack.ss_sp) munmap(static_cast<char*>(stack.ss_sp) - pageSize(), pageSize() + stack.ss_size);
}

// True when the calling thread now runs its handlers on `stack`; false when
// it keeps the one it has (as big or bigger) or cannot change it (it is on
// its alternate stack right now). Async-signal-safe.
bool useStack(const stack_t& stack) {
    stack_t current{};
    if (sigaltstack(nullptr, &current) != 0) return false;
    if (!(current.ss_flags & SS_DISABLE) && current.ss_size >= ZZCRASH_THREAD_STACK_BYTES) return false;
    return sigaltstack(&stack, nullptr) == 0;
}

Offer* offerTo(zzcrash_thread_t thread) {
    const std::uint32_t count = offerCount.load();
    for (std::uint32_t i = 0; i < count; ++i) {
        if (offers[i].thread == thread) return &offers[i];
    }
    return nullptr;
}

// Installed without SA_ONSTACK: sigaltstack refuses to change the stack a
// handler runs on. The return from a handler sets the alternate stack back
// to the one its context holds, so the context is given the new one too.
void onStackSignal(int, siginfo_t*, void* context) {
    const int savedErrno = errno;
    Offer* offer = offerTo(gettid());
    std::uint32_t expected = offered;
    if (offer && offer->state.compare_exchange_strong(expected, taken)) {
        if (useStack(offer->stack))
            static_cast<ucontext_t*>(context)->uc_stack = offer->stack;
        else
            offer->state.store(declined);
    }
    errno = savedErrno;
}

// Offers a stack to each running thread but the calling one.
void offerStacks(int signal) {
    const zzcrash_thread_t self = gettid();
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < running.count; ++i) {
        if (running.threads[i] == self) continue;
        const stack_t stack = mapStack();
        if (!stack.ss_sp) continue;
        offers[count].thread = running.threads[i];
        offers[count].stack = stack;
        offers[count].state.store(offered);
        ++count;
    }
    offerCount.store(count);
    for (std::uint32_t i = 0; i < count; ++i) syscall(SYS_tgkill, getpid(), offers[i].thread, signal);
}

// True when every offer was answered; a stack declined or withdrawn is unmapped.
bool settleOffers() {
    const std::int64_t deadline = zzcrash_monotonic_ms() + sweepTimeoutMs;
    const timespec pause{0, 500'000};
    bool answered = true;
    for (std::uint32_t i = 0; i < offerCount.load(); ++i) {
        Offer& offer = offers[i];
        while (offer.state.load() == offered && zzcrash_monotonic_ms() < deadline) nanosleep(&pause, nullptr);
        std::uint32_t expected = offered;
        if (offer.state.compare_exchange_strong(expected, withdrawn)) answered = false;
        if (offer.state.load() != taken) unmapStack(offer.stack);
    }
    return answered;
}

}  // namespace

bool zzcrash_thread_stack_give_own(stack_t* given) {
    given->ss_sp = nullptr;
    if (!covering.load()) return false;
    *given = mapStack();
    if (!given->ss_sp) return false;
    if (useStack(*given)) return true;
    unmapStack(*given);
    given->ss_sp = nullptr;
    return false;
}

void zzcrash_thread_stack_take_back(const stack_t* given) {
    if (!given->ss_sp) return;
    const stack_t off{nullptr, SS_DISABLE, 0};
    sigaltstack(&off, nullptr);
    unmapStack(*given);
}

bool zzcrash_thread_stacks_install() {
    static std::atomic<bool> installed{false};
    if (installed.exchange(true)) return true;
    const int signal = SIGRTMAX - signalBelowMax;
    struct sigaction action {};
    action.sa_sigaction = onStackSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    if (sigaction(signal, &action, nullptr) != 0) return false;
    covering.store(true);
    const stack_t own = mapStack();
    if (own.ss_sp && !useStack(own)) unmapStack(own);
    if (!zzcrash_thread_list_read(&running)) return false;
    offerStacks(signal);
    return settleOffers() && running.complete;
}
