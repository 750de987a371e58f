#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace tessivar::testing {

// Threads that wait on a condition until the object goes: the other threads
// of a process whose crash is recorded. Each waits `depth` calls deep, in
// tessivar_parked_thread_descend.
class ParkedThreads {
public:
    explicit ParkedThreads(int count, int depth = 0);
    ~ParkedThreads();
    ParkedThreads(const ParkedThreads&) = delete;
    ParkedThreads& operator=(const ParkedThreads&) = delete;

    // Their kernel thread ids.
    const std::vector<pid_t>& ids() const { return ids_; }

private:
    void park();

    std::mutex lock_;
    std::condition_variable changed_;
    bool ending_ = false;
    std::vector<pid_t> ids_;
    std::vector<std::thread> threads_;
};

}  // namespace tessivar::testing
