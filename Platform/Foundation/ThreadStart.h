#pragma once
#include <thread>
#include <utility>

namespace platform {

// What each thread the program's own layers start (serial queues, the
// analytics client's workers and watchers) runs first thing. The layer that
// needs it installs it: the crash reporter's integration has every such
// thread ask for an alternate signal stack, without which an overflow of the
// thread's stack ends the process unreported; nothing here depends on that
// layer.
using ThreadStartHook = void (*)();

// Installs the hook that threads started from now on run; null for none.
// Answers the one it replaces. Safe from any thread.
ThreadStartHook setThreadStartHook(ThreadStartHook hook);

// Runs the installed hook, if any, on the calling thread.
void runThreadStartHook();

// A thread that runs the hook, then `routine`.
template <class Routine>
std::thread startThread(Routine&& routine) {
    return std::thread([routine = std::forward<Routine>(routine)]() mutable {
        runThreadStartHook();
        routine();
    });
}

}  // namespace platform
