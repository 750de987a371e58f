#include "tests/CrashReporter/Support/ParkedThreads.h"

#include <unistd.h>

#include <functional>

extern "C" __attribute__((noinline, visibility("default"))) void tessivar_parked_thread_descend(
    int depth, const std::function<void()>& park) {
    if (depth <= 0) return park();
    tessivar_parked_thread_descend(depth - 1, park);
    asm volatile("");  // no tail call: every level keeps its frame
}

namespace tessivar::testing {

ParkedThreads::ParkedThreads(int count, int depth) {
    for (int i = 0; i < count; ++i)
        threads_.emplace_back([this, depth] { tessivar_parked_thread_descend(depth, [this] { park(); }); });
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return ids_.size() == static_cast<std::size_t>(count); });
}

ParkedThreads::~ParkedThreads() {
    {
        const std::lock_guard guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    for (auto& thread : threads_) thread.join();
}

void ParkedThreads::park() {
    std::unique_lock guard(lock_);
    ids_.push_back(gettid());
    changed_.notify_all();
    changed_.wait(guard, [&] { return ending_; });
}

}  // namespace tessivar::testing
