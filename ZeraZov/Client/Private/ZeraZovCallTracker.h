#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace zerazov {

// Counts the client's public calls under way on each thread. A call holds the parts
// of the set-up it started under; after a close, a new set-up waits until the calls
// still writing into the old queues are done before it opens the same folders.
class ZeraZovCallTracker {
public:
    // Marks one call on the current thread for as long as it lives.
    class Entry {
    public:
        explicit Entry(ZeraZovCallTracker& tracker);
        ~Entry();
        Entry(Entry&& other) noexcept;
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        Entry& operator=(Entry&&) = delete;

    private:
        ZeraZovCallTracker* tracker_;
    };

    ZeraZovCallTracker() = default;
    ZeraZovCallTracker(const ZeraZovCallTracker&) = delete;
    ZeraZovCallTracker& operator=(const ZeraZovCallTracker&) = delete;

    // Returns once no thread but the calling one is inside a call: a call that closes
    // and sets up again from inside a hook must not wait for itself.
    void waitForOtherThreads();

private:
    void enter();
    void leave();

    std::mutex lock_;  // guards calls_
    std::condition_variable left_;
    std::unordered_map<std::thread::id, int> calls_;
};

}  // namespace zerazov
