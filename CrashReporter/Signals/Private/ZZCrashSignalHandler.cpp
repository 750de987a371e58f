#include "CrashReporter/Signals/Private/ZZCrashSignalHandler.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "CrashReporter/Platform/zzcrash_default_action.h"
#include "CrashReporter/Platform/zzcrash_thread_stacks.h"
#include "CrashReporter/Signals/Private/zzcrash_signal_list.h"

namespace {

struct CallbackEntry {
    zzcrash_signal_callback callback;
    void* context;
};
struct PreviousAction {
    int signal;
    struct sigaction action;
};

using zzcrash_signal_callback_list = zzcrash_signal_list<CallbackEntry>;
using zzcrash_signal_previous_action_list = zzcrash_signal_list<PreviousAction>;

constinit zzcrash_signal_callback_list callbacks;
constinit zzcrash_signal_previous_action_list previousActions;
// Registrations one at a time: a signal's handler is installed once.
std::mutex registering;
bool releasedAtExit = false;  // under `registering`

// Runs the callback after `current` (the first for null) with the rest of
// the chain as its next; false when there is none.
bool zzcrash_signal_handler_dispatch(int signal, siginfo_t* info, ucontext_t* context, const void* current) {
    callbacks.mark_reading(true);
    const auto* node =
        current ? zzcrash_signal_callback_list::next(static_cast<const zzcrash_signal_callback_list::node*>(current))
                : callbacks.first();
    bool handled = false;
    if (node) {
        const zzcrash_signal_handler_next next{zzcrash_signal_handler_dispatch, node};
        handled = node->entry.callback(signal, info, context, node->entry.context,
                                       zzcrash_signal_callback_list::next(node) ? &next : nullptr);
    }
    callbacks.mark_reading(false);
    return handled;
}

void zzcrash_signal_handler(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    // With our handler still in place a signal no one handled would come
    // straight back to it.
    if (!zzcrash_signal_handler_dispatch(signal, info, static_cast<ucontext_t*>(context), nullptr))
        zzcrash_raise_with_default_action(signal);
    errno = savedErrno;
}

bool previousActionOf(int signal, struct sigaction* action) {
    previousActions.mark_reading(true);
    bool found = false;
    for (const auto* node = previousActions.first(); node && !found;
         node = zzcrash_signal_previous_action_list::next(node)) {
        found = node->entry.signal == signal;
        if (found) *action = node->entry.action;
    }
    previousActions.mark_reading(false);
    return found;
}

// The chain's end: the handler that was there before ours. One that ignores
// the signal handles it; the default action does not.
bool zzcrash_signal_forward_to_previous_action(int signal, siginfo_t* info, ucontext_t* context, void*,
                                               const zzcrash_signal_handler_next* next) {
    if (zzcrash_signal_handler_call_next(next, signal, info, context)) return true;
    struct sigaction previous {};
    if (!previousActionOf(signal, &previous)) return false;
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
        return true;
    }
    if (previous.sa_handler == SIG_IGN) return true;
    if (previous.sa_handler == SIG_DFL) return false;
    previous.sa_handler(signal);
    return true;
}

bool isOurs(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) && action.sa_sigaction == zzcrash_signal_handler;
}

// At exit the program gets back the handlers ours replaced, so that a signal
// during the rest of its exit (a static destructor's) finds them and not an
// empty chain, and the chain's nodes are freed.
void releaseTheChain() {
    const std::lock_guard guard(registering);
    previousActions.mark_reading(true);
    for (const auto* node = previousActions.first(); node; node = zzcrash_signal_previous_action_list::next(node)) {
        struct sigaction current {};
        if (sigaction(node->entry.signal, nullptr, &current) == 0 && isOurs(current))
            sigaction(node->entry.signal, &node->entry.action, nullptr);
    }
    previousActions.mark_reading(false);
    previousActions.release_all();
    callbacks.release_all();
}

// Under `registering`.
void releaseAtExit() {
    if (releasedAtExit) return;
    releasedAtExit = std::atexit(releaseTheChain) == 0;
}

}  // namespace

bool zzcrash_signal_handler_call_next(const zzcrash_signal_handler_next* next, int signal, siginfo_t* info,
                                      ucontext_t* context) {
    return next && next->function(signal, info, context, next->next_context);
}

ZZCrashSignalHandler* ZZCrashSignalHandler::sharedHandler() {
    static ZZCrashSignalHandler shared;
    return &shared;
}

bool ZZCrashSignalHandler::registerHandlerWithSignal(int signal, ZZCrashReporterError* error) {
    const std::lock_guard guard(registering);
    if (!zzcrash_thread_install_alternate_stack()) {
        if (error) *error = zzcrash_make_posix_error("Could not initialize alternative signal stack", errno);
        return false;
    }
    releaseAtExit();
    callbacks.append({zzcrash_signal_forward_to_previous_action, nullptr});
    struct sigaction previous {};
    if (previousActionOf(signal, &previous)) return true;
    struct sigaction action {};
    action.sa_sigaction = zzcrash_signal_handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_SIGINFO;
    if (sigaction(signal, &action, &previous) != 0) {
        if (error) *error = zzcrash_make_posix_error("Failed to register signal handler", errno);
        return false;
    }
    // After resetHandlers our own handler is what a new registration replaces:
    // forwarding to it would loop.
    if (!isOurs(previous)) previousActions.append({signal, previous});
    return true;
}

bool ZZCrashSignalHandler::registerHandlerForSignal(int signal, zzcrash_signal_callback callback, void* context,
                                                    ZZCrashReporterError* error) {
    if (!registerHandlerWithSignal(signal, error)) return false;
    callbacks.prepend({callback, context});
    return true;
}

void ZZCrashSignalHandler::resetHandlers() {
    const std::lock_guard guard(registering);
    previousActions.remove_all();
    callbacks.remove_all();
}
