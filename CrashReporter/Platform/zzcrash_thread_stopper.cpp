#include "CrashReporter/Platform/zzcrash_thread_stopper.h"

#include <linux/futex.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "CrashReporter/Platform/zzcrash_reserved_signal.h"

namespace {

// A slot's life: the stopping thread requests, the stopped thread captures
// its registers and reports stopped, the stopping thread releases, and the
// stopped thread, back on its way, returns the slot to idle.
enum SlotState : std::uint32_t { idle, requested, capturing, stopped, released };

struct Slot {
    zzcrash_thread_t thread;
    std::uint32_t state;
    mcontext_t context;
};

Slot slots[ZZCRASH_THREAD_LIST_CAPACITY];
std::uint32_t slotCount = 0;
// The slots of the last stop, whose threads may still be on their way out of
// the handler: the next stop waits for them, a resume does not (a crash's
// one stop is followed by no other, and its writer need not wait a second
// time for every thread to be scheduled).
std::uint32_t releasedCount = 0;
// The stop under way gives up on the threads that have not answered once
// its timeout has passed both since it began and since the last thread
// answered, and in any case at `stopCeilingNs`: on a busy machine a hundred
// threads that all answer may take longer than one timeout to be scheduled,
// while a thread that blocks the signal never answers at all.
std::int64_t stopTimeoutNs = 0;
std::int64_t stopDeadlineNs = 0;
std::int64_t stopCeilingNs = 0;
std::int64_t lastAnswerNs = 0;
constexpr std::int64_t stopCeilingTimeouts = 10;
int stopSignal = 0;
// Held from a stop to its resume: one stop at a time.
std::atomic_flag stopping;

static_assert(std::atomic_ref<std::uint32_t>::is_always_lock_free);
static_assert(std::atomic_ref<int>::is_always_lock_free);
static_assert(std::atomic_ref<std::int64_t>::is_always_lock_free);

constexpr std::int64_t releaseTimeoutMs = 200;

std::uint32_t load(std::uint32_t& word) { return std::atomic_ref(word).load(std::memory_order_acquire); }
void store(std::uint32_t& word, std::uint32_t value) { std::atomic_ref(word).store(value, std::memory_order_release); }
bool exchange(std::uint32_t& word, std::uint32_t from, std::uint32_t to) {
    return std::atomic_ref(word).compare_exchange_strong(from, to, std::memory_order_acq_rel);
}

void futexWait(std::uint32_t& word, std::uint32_t expected, const timespec* timeout) {
    syscall(SYS_futex, &word, FUTEX_WAIT_PRIVATE, expected, timeout, nullptr, 0);
}
void futexWake(std::uint32_t& word) { syscall(SYS_futex, &word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0); }

std::int64_t nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Waits while the slot's state is one of `a` or `b`, until `deadlineNs`.
std::uint32_t waitWhile(Slot& slot, std::uint32_t a, std::uint32_t b, std::int64_t deadlineNs) {
    for (;;) {
        const std::uint32_t state = load(slot.state);
        const std::int64_t remaining = deadlineNs - nowNs();
        if ((state != a && state != b) || remaining <= 0) return state;
        const timespec timeout{static_cast<time_t>(remaining / 1'000'000'000),
                               static_cast<long>(remaining % 1'000'000'000)};
        futexWait(slot.state, state, &timeout);
    }
}

std::int64_t answerDeadlineNs() {
    const std::int64_t sinceLastAnswer = std::atomic_ref(lastAnswerNs).load(std::memory_order_acquire) + stopTimeoutNs;
    const std::int64_t deadline = sinceLastAnswer > stopDeadlineNs ? sinceLastAnswer : stopDeadlineNs;
    return deadline < stopCeilingNs ? deadline : stopCeilingNs;
}

// Waits until the slot's thread has answered the stop or the stop gives up
// on it; answers the slot's state.
std::uint32_t awaitAnswer(Slot& slot) {
    for (;;) {
        const std::int64_t deadline = answerDeadlineNs();
        const std::uint32_t state = waitWhile(slot, requested, capturing, deadline);
        if ((state != requested && state != capturing) || answerDeadlineNs() <= deadline) return state;
    }
}

Slot* slotOf(zzcrash_thread_t thread) {
    const std::uint32_t count = load(slotCount);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (std::atomic_ref(slots[i].thread).load(std::memory_order_acquire) == thread) return &slots[i];
    }
    return nullptr;
}

// A signal that arrives after its stop is over (the thread had it blocked)
// finds no request and returns at once.
void onStopSignal(int, siginfo_t*, void* context) {
    const int savedErrno = errno;
    Slot* slot = slotOf(gettid());
    if (slot && exchange(slot->state, requested, capturing)) {
        slot->context = static_cast<ucontext_t*>(context)->uc_mcontext;
        std::atomic_ref(lastAnswerNs).store(nowNs(), std::memory_order_release);
        store(slot->state, stopped);
        futexWake(slot->state);
        while (load(slot->state) == stopped) futexWait(slot->state, stopped, nullptr);
        exchange(slot->state, released, idle);
        futexWake(slot->state);
    }
    errno = savedErrno;
}

void requestStops(const zzcrash_thread_list* threads, zzcrash_thread_t except) {
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < threads->count; ++i) {
        if (threads->threads[i] == except) continue;
        std::atomic_ref(slots[count].thread).store(threads->threads[i], std::memory_order_release);
        store(slots[count].state, requested);
        ++count;
    }
    store(slotCount, count);
    const pid_t process = getpid();
    for (std::uint32_t i = 0; i < count; ++i) {
        if (syscall(SYS_tgkill, process, slots[i].thread, stopSignal) != 0) exchange(slots[i].state, requested, idle);
    }
}

}  // namespace

bool zzcrash_thread_stopper_install() {
    if (std::atomic_ref(stopSignal).load() != 0) return true;
    struct sigaction action {};
    action.sa_sigaction = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART | SA_ONSTACK;
    const int signal = zzcrash_reserve_signal(action);
    std::atomic_ref(stopSignal).store(signal);
    return signal != 0;
}

int zzcrash_thread_stop_signal() { return std::atomic_ref(stopSignal).load(); }

int zzcrash_threads_request_stop(const zzcrash_thread_list* threads, zzcrash_thread_t except, std::int64_t timeoutMs) {
    if (!zzcrash_signal_runs(zzcrash_thread_stop_signal(), onStopSignal) ||
        stopping.test_and_set(std::memory_order_acquire))
        return -1;
    const int savedErrno = errno;
    const std::int64_t releaseDeadline = nowNs() + releaseTimeoutMs * 1'000'000;
    for (std::uint32_t i = 0; i < releasedCount; ++i) waitWhile(slots[i], released, released, releaseDeadline);
    releasedCount = 0;
    const std::int64_t start = nowNs();
    stopTimeoutNs = timeoutMs * 1'000'000;
    stopDeadlineNs = start + stopTimeoutNs;
    stopCeilingNs = start + stopCeilingTimeouts * stopTimeoutNs;
    std::atomic_ref(lastAnswerNs).store(start, std::memory_order_release);
    requestStops(threads, except);
    errno = savedErrno;
    return static_cast<int>(slotCount);
}

int zzcrash_threads_await_stop() {
    const int savedErrno = errno;
    int answered = 0;
    for (std::uint32_t i = 0; i < slotCount; ++i) {
        if (awaitAnswer(slots[i]) == stopped) ++answered;
    }
    errno = savedErrno;
    return answered;
}

bool zzcrash_thread_await_stopped(zzcrash_thread_t thread) {
    Slot* slot = slotOf(thread);
    if (!slot) return false;
    const int savedErrno = errno;
    const bool answered = awaitAnswer(*slot) == stopped;
    errno = savedErrno;
    return answered;
}

int zzcrash_threads_stop(const zzcrash_thread_list* threads, zzcrash_thread_t except, std::int64_t timeoutMs) {
    if (zzcrash_threads_request_stop(threads, except, timeoutMs) < 0) return -1;
    return zzcrash_threads_await_stop();
}

const mcontext_t* zzcrash_thread_stopped_context(zzcrash_thread_t thread) {
    Slot* slot = slotOf(thread);
    if (!slot || load(slot->state) != stopped) return nullptr;
    return &slot->context;
}

namespace {

// Lets the slot's thread go on, once it has stopped; one that was asked and
// has not yet answered is asked no more.
void release(Slot& slot, std::int64_t deadline) {
    if (exchange(slot.state, requested, idle)) return;
    if (waitWhile(slot, capturing, capturing, deadline) != stopped) return;
    store(slot.state, released);
    futexWake(slot.state);
}

}  // namespace

void zzcrash_threads_resume_one(zzcrash_thread_t thread) {
    Slot* slot = slotOf(thread);
    if (!slot) return;
    const int savedErrno = errno;
    release(*slot, nowNs() + releaseTimeoutMs * 1'000'000);
    errno = savedErrno;
}

void zzcrash_threads_resume() {
    const int savedErrno = errno;
    const std::int64_t deadline = nowNs() + releaseTimeoutMs * 1'000'000;
    for (std::uint32_t i = 0; i < slotCount; ++i) release(slots[i], deadline);
    releasedCount = slotCount;
    store(slotCount, 0);
    stopping.clear(std::memory_order_release);
    errno = savedErrno;
}
