#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"

namespace {

using Clock = std::chrono::steady_clock;
// Long enough for every thread to answer on a loaded test machine; a stop
// ends as soon as all have answered.
constexpr std::int64_t answeringTimeoutMs = 2000;

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void block(bool on) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, zzcrash_thread_stop_signal());
    pthread_sigmask(on ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

// Threads that count as fast as they can until told to end; a stopped thread
// stops counting.
class Counters {
public:
    explicit Counters(int count, bool blockStopSignal = false) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([this, blockStopSignal] {
                if (blockStopSignal) block(true);
                ids_[started_.load()] = zzcrash_thread_self();
                started_.fetch_add(1);
                while (!end_.load()) counts_.fetch_add(1, std::memory_order_relaxed);
                if (blockStopSignal) block(false);  // a signal still pending is taken now
            });
            waitFor([&] { return started_.load() == i + 1; }, std::chrono::seconds(5));
        }
    }
    ~Counters() {
        end_ = true;
        for (auto& thread : threads_) thread.join();
    }
    long count() const { return counts_.load(); }
    zzcrash_thread_t id(int i) const { return ids_[i]; }

private:
    std::vector<std::thread> threads_;
    zzcrash_thread_t ids_[8]{};
    std::atomic<int> started_{0};
    std::atomic<bool> end_{false};
    std::atomic<long> counts_{0};
};

std::set<zzcrash_thread_t> listed(const zzcrash_thread_list& list) { return {list.threads, list.threads + list.count}; }

// The kernel's own listing of the same directory, read by the standard
// library, is the oracle.
TEST(ThreadList, ListsEveryThreadOfTheProcess) {
    Counters counters(3);
    zzcrash_thread_list list;
    ASSERT_TRUE(zzcrash_thread_list_read(&list));
    std::set<zzcrash_thread_t> expected;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        expected.insert(std::stoi(entry.path().filename().string()));
    EXPECT_TRUE(list.complete);
    EXPECT_EQ(list.count, expected.size());
    EXPECT_EQ(listed(list), expected);
    EXPECT_TRUE(listed(list).count(zzcrash_thread_self()));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(listed(list).count(counters.id(i)));
}

// Stopped threads do not run until they are resumed, and the same slots
// serve the next stop.
TEST(ThreadStopper, StoppedThreadsStandStillUntilResumed) {
    ASSERT_TRUE(zzcrash_thread_stopper_install());
    Counters counters(3);
    for (int round = 0; round < 2; ++round) {
        zzcrash_thread_list list;
        ASSERT_TRUE(zzcrash_thread_list_read(&list));
        const int stopped = zzcrash_threads_stop(&list, zzcrash_thread_self(), answeringTimeoutMs);
        const long before = counters.count();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const long during = counters.count();
        const bool registersKept = zzcrash_thread_stopped_context(counters.id(0)) != nullptr;
        const bool selfNotStopped = zzcrash_thread_stopped_context(zzcrash_thread_self()) == nullptr;
        zzcrash_threads_resume();
        EXPECT_EQ(stopped, static_cast<int>(list.count) - 1);
        EXPECT_EQ(during, before);
        EXPECT_TRUE(registersKept);
        EXPECT_TRUE(selfNotStopped);
        EXPECT_TRUE(waitFor([&] { return counters.count() > during; }, std::chrono::seconds(5)));
        EXPECT_EQ(zzcrash_thread_stopped_context(counters.id(0)), nullptr);
    }
}

// The writer walks its own stack between asking for the stop and waiting for
// it, and waits for each thread just before walking it: the threads stand
// still once awaited (all at once or one by one; the calling thread, never
// asked, is never stopped), and a resume that follows the request at once
// (before any thread answered, or while some answer) leaves none of them
// stopped, so the next stop finds every slot free.
TEST(ThreadStopper, ARequestIsAwaitedLaterOrResumedAtOnce) {
    ASSERT_TRUE(zzcrash_thread_stopper_install());
    Counters counters(3);
    zzcrash_thread_list list;
    ASSERT_TRUE(zzcrash_thread_list_read(&list));
    const int others = static_cast<int>(list.count) - 1;
    enum Wait { all, each, none };
    for (const Wait wait : {all, none, each, all}) {
        SCOPED_TRACE(wait == all ? "all awaited" : wait == each ? "each awaited" : "resumed at once");
        EXPECT_EQ(zzcrash_threads_request_stop(&list, zzcrash_thread_self(), answeringTimeoutMs), others);
        if (wait == all) {
            EXPECT_EQ(zzcrash_threads_await_stop(), others);
        }
        if (wait == each) {
            EXPECT_FALSE(zzcrash_thread_await_stopped(zzcrash_thread_self()));
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(zzcrash_thread_await_stopped(counters.id(i)));
        }
        if (wait != none) {
            const long before = counters.count();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_EQ(counters.count(), before);
        }
        zzcrash_threads_resume();
        const long after = counters.count();
        EXPECT_TRUE(waitFor([&] { return counters.count() > after + 1000; }, std::chrono::seconds(5)));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(zzcrash_thread_stopped_context(counters.id(i)), nullptr);
    }
}

// A thread that blocks the stop signal never answers: the stop gives up at
// its deadline and the thread is known by its id only. When the thread later
// takes the signal, the stop is over and nothing happens to it.
TEST(ThreadStopper, GivesUpOnAThreadThatNeverAnswersAtTheDeadline) {
    ASSERT_TRUE(zzcrash_thread_stopper_install());
    Counters answering(1);
    Counters blocking(1, true);
    zzcrash_thread_list list;
    ASSERT_TRUE(zzcrash_thread_list_read(&list));
    const auto start = Clock::now();
    const int stopped = zzcrash_threads_stop(&list, zzcrash_thread_self(), ZZCRASH_THREAD_STOP_TIMEOUT_MS);
    const auto waited = Clock::now() - start;
    const bool answeringKept = zzcrash_thread_stopped_context(answering.id(0)) != nullptr;
    const bool blockingKept = zzcrash_thread_stopped_context(blocking.id(0)) != nullptr;
    zzcrash_threads_resume();
    EXPECT_EQ(stopped, static_cast<int>(list.count) - 2);
    EXPECT_TRUE(answeringKept);
    EXPECT_FALSE(blockingKept);
    EXPECT_GE(waited, std::chrono::milliseconds(ZZCRASH_THREAD_STOP_TIMEOUT_MS - 5));
    EXPECT_LT(waited, std::chrono::milliseconds(5 * ZZCRASH_THREAD_STOP_TIMEOUT_MS));
    const long before = blocking.count();
    EXPECT_TRUE(waitFor([&] { return blocking.count() > before; }, std::chrono::seconds(5)));
}

// Threads that answer one after another, each a little over half the
// timeout after the one before (they take the signal only then), are all
// waited for, though the last answers long past the timeout: the stop gives
// up only on threads none of which answered for a whole timeout.
TEST(ThreadStopper, WaitsPastTheTimeoutWhileThreadsKeepAnswering) {
    ASSERT_TRUE(zzcrash_thread_stopper_install());
    constexpr std::int64_t timeoutMs = 1000;
    constexpr auto apart = std::chrono::milliseconds(600);
    constexpr int late = 3;
    std::atomic<bool> stopping{false};
    std::atomic<zzcrash_thread_t> ids[late]{};
    std::vector<std::thread> threads;
    for (int i = 0; i < late; ++i) {
        threads.emplace_back([&, i] {
            block(true);
            ids[i] = zzcrash_thread_self();
            waitFor([&] { return stopping.load(); }, std::chrono::seconds(5));
            if (i > 0)
                waitFor([&] { return zzcrash_thread_stopped_context(ids[i - 1]) != nullptr; }, std::chrono::seconds(5));
            std::this_thread::sleep_for(apart);
            block(false);
        });
    }
    ASSERT_TRUE(waitFor([&] { return std::all_of(ids, ids + late, [](auto& id) { return id.load() != 0; }); },
                        std::chrono::seconds(5)));
    zzcrash_thread_list list;
    ASSERT_TRUE(zzcrash_thread_list_read(&list));
    const auto start = Clock::now();
    stopping = true;
    const int stopped = zzcrash_threads_stop(&list, zzcrash_thread_self(), timeoutMs);
    const auto waited = Clock::now() - start;
    const bool lastKept = zzcrash_thread_stopped_context(ids[late - 1]) != nullptr;
    zzcrash_threads_resume();
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(stopped, static_cast<int>(list.count) - 1);
    EXPECT_TRUE(lastKept);
    EXPECT_GT(waited, std::chrono::milliseconds(timeoutMs));
}

// One stop at a time: a second stop while one is under way does nothing.
TEST(ThreadStopper, RefusesASecondStopUntilTheFirstIsResumed) {
    ASSERT_TRUE(zzcrash_thread_stopper_install());
    Counters counters(1);
    zzcrash_thread_list list;
    ASSERT_TRUE(zzcrash_thread_list_read(&list));
    const int first = zzcrash_threads_stop(&list, zzcrash_thread_self(), answeringTimeoutMs);
    const int second = zzcrash_threads_stop(&list, zzcrash_thread_self(), answeringTimeoutMs);
    zzcrash_threads_resume();
    const int third = zzcrash_threads_stop(&list, zzcrash_thread_self(), answeringTimeoutMs);
    zzcrash_threads_resume();
    EXPECT_EQ(first, static_cast<int>(list.count) - 1);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(third, first);
}

}  // namespace
