#pragma once
#include <cstdint>
#include <mutex>

#include "Platform/Network/ReachabilityBackend.h"

namespace platform {

// A reachability backend whose network the test sets. Like the system, it hands a
// change to the handler only while a handler and a dispatch queue are both set,
// and then on that queue. Every call may be made to fail with a code of the test's
// choosing. Safe to drive from the test thread while the monitor uses it.
class FakeReachabilityBackend : public ReachabilityBackend {
public:
    explicit FakeReachabilityBackend(std::uint32_t flags = 0) : flags_(flags) {}

    [[nodiscard]] int setChangeHandler(ChangeHandler handler) override;
    [[nodiscard]] int setDispatchQueue(SerialQueue* queue) override;
    FlagsRead readFlags() override;

    // What a read answers from now on, without announcing it.
    void setFlags(std::uint32_t flags);
    // Sets the flags and announces them as the system would, waiting until the
    // handler has run on the dispatch queue. False when nothing was announced
    // because no handler or no queue is set.
    bool announce(std::uint32_t flags);

    // A non-zero code makes the call fail with it from now on; 0 lets it succeed again.
    void failReads(int error);
    void failSetChangeHandler(int error);
    void failSetDispatchQueue(int error);

    bool hasChangeHandler() const;
    bool isScheduled() const;
    // Handlers installed so far; removals do not count.
    int handlerInstalls() const;
    int readCount() const;

private:
    mutable std::mutex lock_;  // guards every field below
    std::uint32_t flags_;
    ChangeHandler handler_;
    SerialQueue* queue_ = nullptr;
    int readError_ = 0;
    int changeHandlerError_ = 0;
    int dispatchQueueError_ = 0;
    int handlerInstalls_ = 0;
    int readCount_ = 0;
};

}  // namespace platform
