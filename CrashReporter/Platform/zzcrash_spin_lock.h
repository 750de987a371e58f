#pragma once
#include <sched.h>

#include <atomic>

// The writers' lock of the lists a crash handler reads without locking. It is
// held for a few pointer updates at a time, needs nothing from the C library
// and never sleeps in the kernel, so taking it is safe anywhere.
class zzcrash_spin_lock {
public:
    void lock() noexcept {
        while (flag_.test_and_set(std::memory_order_acquire)) {
            while (flag_.test(std::memory_order_relaxed)) sched_yield();
        }
    }
    // For a crash handler: a writer it stopped may hold the lock for good.
    bool try_lock() noexcept { return !flag_.test_and_set(std::memory_order_acquire); }
    void unlock() noexcept { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_;
};
