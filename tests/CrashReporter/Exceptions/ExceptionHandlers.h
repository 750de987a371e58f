#pragma once
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "CrashReporter/Exceptions/ZZCrashMachExceptionServer.h"
#include "CrashReporter/Platform/zzcrash_exception_message.h"

namespace tessivar::testing {

// What an exception server's callback was called with, and what it answers.
struct ExceptionCalls {
    std::mutex lock;
    int count = 0;
    pid_t task = 0;
    zzcrash_thread_t thread = 0;
    std::int32_t type = 0;
    std::vector<std::int64_t> codes;
    zzcrash_kern_return_t answer = ZZCRASH_KERN_FAILURE;
    std::chrono::milliseconds workFor{0};  // how long the handler takes before it answers

    int calls() {
        const std::lock_guard guard(lock);
        return count;
    }
};
zzcrash_kern_return_t recordException(pid_t task, zzcrash_thread_t thread, std::int32_t type, const std::int64_t* codes,
                                      std::uint32_t count, void* calls);

// A handler of our own on a port of its own: it takes one request within
// two seconds, keeps it, and answers `answer`.
class PlainHandler {
public:
    explicit PlainHandler(zzcrash_kern_return_t answer);
    ~PlainHandler();
    PlainHandler(const PlainHandler&) = delete;
    PlainHandler& operator=(const PlainHandler&) = delete;

    zzcrash_port_t port() const { return port_; }
    // The request it took, once it has answered; nothing when none came.
    std::optional<zzcrash_exception_request> request();

private:
    zzcrash_port_t port_ = ZZCRASH_PORT_NULL;
    std::optional<zzcrash_exception_request> request_;
    std::thread thread_;
};

// A request that carried the thread's state, as a handler reads it.
struct StateRequestSeen {
    std::int32_t id = 0;
    bool complex = false;
    std::uint32_t threadName = 0;  // the identity form's descriptors
    std::uint32_t taskName = 0;
    std::int32_t exception = 0;
    std::vector<std::int32_t> codes;
    std::uint32_t flavor = 0;
    std::vector<std::uint32_t> state;
};

// A handler that takes the thread's state with each request, on a port of
// its own: it answers `answer` to the first `requests` requests (failure to
// any after them) within two seconds each. A reply of success carries the
// state it was sent with `changes` applied (word index, value), unless
// `withoutState`.
class StateHandler {
public:
    struct Reply {
        zzcrash_kern_return_t answer;
        std::vector<std::pair<std::size_t, std::uint32_t>> changes;
        bool withoutState = false;
    };
    StateHandler(Reply reply, int requests);
    ~StateHandler();
    StateHandler(const StateHandler&) = delete;
    StateHandler& operator=(const StateHandler&) = delete;

    zzcrash_port_t port() const { return port_; }
    // The requests it took, once it has answered them.
    std::vector<StateRequestSeen> requests();

private:
    void answer(const std::vector<std::uint8_t>& bytes, const StateRequestSeen& seen, bool first);

    zzcrash_port_t port_ = ZZCRASH_PORT_NULL;
    Reply reply_;
    std::vector<StateRequestSeen> requests_;
    std::thread thread_;
};

// A request sent to `port` whose reply is awaited for `timeoutMs`: the
// reply's code, or the receive's failure.
zzcrash_kern_return_t sendRequest(zzcrash_port_t port, const zzcrash_exception_request& request, std::uint32_t size,
                                  std::int64_t timeoutMs);
// A bad-access request with 64-bit codes {1, 0x10}, as a fault sends it.
zzcrash_exception_request badAccessRequest();

}  // namespace tessivar::testing
