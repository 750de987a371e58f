#include "CrashReporter/Platform/zzcrash_thread_stacks.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "CrashReporter/Platform/Private/zzcrash_monotonic_clock.h"
#include "CrashReporter/Platform/zzcrash_reserved_signal.h"
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
std::atomic<int> sweepSignal{0};
constexpr std::int64_t sweepTimeoutMs = 200;

// The stack a thread asked for, given back when the thread ends.
pthread_key_t ownStackKey;
pthread_once_t ownStackKeyMade = PTHREAD_ONCE_INIT;

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

// Whether the calling thread has an alternate stack that it keeps: one at
// least as big as ours. Async-signal-safe.
bool hasStackToKeep() {
    stack_t current{};
    return sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) &&
           current.ss_size >= ZZCRASH_THREAD_STACK_BYTES;
}

// True when the calling thread now runs its handlers on `stack`; false when
// it keeps the one it has or cannot change it (it is on its alternate stack
// right now). Async-signal-safe.
bool useStack(const stack_t& stack) { return !hasStackToKeep() && sigaltstack(&stack, nullptr) == 0; }

// At the thread's end (pthread_exit and cancellation included).
void giveBackOwnStack(void* base) {
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == base) {
        const stack_t off{nullptr, SS_DISABLE, 0};
        sigaltstack(&off, nullptr);
    }
    unmapStack(stack_t{base, 0, ZZCRASH_THREAD_STACK_BYTES});
}

void makeOwnStackKey() { pthread_key_create(&ownStackKey, giveBackOwnStack); }

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

// Waits for every offer to be answered, until the deadline; a stack declined
// or withdrawn is unmapped. A thread that does not answer in time (it blocks
// the signal, or is not scheduled) stays without one.
void settleOffers() {
    const std::int64_t deadline = zzcrash_monotonic_ms() + sweepTimeoutMs;
    const timespec pause{0, 500'000};
    for (std::uint32_t i = 0; i < offerCount.load(); ++i) {
        Offer& offer = offers[i];
        while (offer.state.load() == offered && zzcrash_monotonic_ms() < deadline) nanosleep(&pause, nullptr);
        std::uint32_t expected = offered;
        offer.state.compare_exchange_strong(expected, withdrawn);
        if (offer.state.load() != taken) unmapStack(offer.stack);
    }
}

}  // namespace

bool zzcrash_thread_install_alternate_stack() {
    if (hasStackToKeep()) return true;
    if (pthread_once(&ownStackKeyMade, makeOwnStackKey) != 0) return false;
    const stack_t stack = mapStack();
    if (!stack.ss_sp) return false;
    if (sigaltstack(&stack, nullptr) != 0) {
        const int failure = errno;
        unmapStack(stack);
        errno = failure;
        return false;
    }
    // One that the program has since replaced by a smaller one is no longer in use.
    if (void* earlier = pthread_getspecific(ownStackKey)) giveBackOwnStack(earlier);
    pthread_setspecific(ownStackKey, stack.ss_sp);
    return true;
}

bool zzcrash_thread_stacks_install() {
    // Without a stack the thread still runs; only an overflow of its stack would go unreported.
    (void)zzcrash_thread_install_alternate_stack();
    if (sweepSignal.load() != 0) return true;
    struct sigaction action {};
    action.sa_sigaction = onStackSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    const int signal = zzcrash_reserve_signal(action);
    if (signal == 0) return false;
    sweepSignal.store(signal);
    if (zzcrash_thread_list_read(&running)) {
        offerStacks(signal);
        settleOffers();
    }
    return true;
}
