// The chain of crash callbacks, in forked children: each changes the
// process's signal handlers for good.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

#include "CrashReporter/Signals/Private/ZZCrashSignalHandler.h"
#include "tests/CrashReporter/Support/ForkedChild.h"

namespace {

using tessivar::testing::ForkedChildResult;
using tessivar::testing::runForked;

// Where the child's handlers and callbacks say that they ran.
int output = -1;

void say(char what) {
    if (write(output, &what, 1) != 1) _exit(90);
}

ForkedChildResult inChild(const std::function<int()>& body) {
    return runForked(
        [&](int fd) {
            output = fd;
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);  // the children die by their signals: no core files
            return body();
        },
        std::chrono::seconds(20));
}

bool registerFor(int signal, zzcrash_signal_callback callback, void* context = nullptr) {
    ZZCrashReporterError error(ZZCrashReporterError::Code::operatingSystemFailure, "");
    return ZZCrashSignalHandler::sharedHandler()->registerHandlerForSignal(signal, callback, context, &error);
}

// A callback that says its letter (its context) and passes the signal on.
bool sayAndPassOn(int signal, siginfo_t* info, ucontext_t* context, void* letter,
                  const zzcrash_signal_handler_next* next) {
    say(*static_cast<const char*>(letter));
    return zzcrash_signal_handler_call_next(next, signal, info, context);
}

// A callback that says so and handles nothing.
bool declines(int, siginfo_t*, ucontext_t*, void*, const zzcrash_signal_handler_next*) {
    say('d');
    return false;
}

void installPrevious(int signal, void (*handler)(int, siginfo_t*, void*)) {
    struct sigaction action {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// The last callback registered runs first; each passes the signal on, and
// the handler that was there before runs once at the end, even though the
// signal was registered twice.
TEST(SignalChain, RunsTheCallbacksNewestFirstThenThePreviousHandler) {
    static const char first = 'A';
    static const char second = 'B';
    const auto result = inChild([] {
        installPrevious(SIGUSR1, [](int, siginfo_t* info, void*) { say(info->si_code == SI_TKILL ? 'P' : 'p'); });
        if (!registerFor(SIGUSR1, sayAndPassOn, const_cast<char*>(&first))) return 1;
        if (!registerFor(SIGUSR1, sayAndPassOn, const_cast<char*>(&second))) return 2;
        raise(SIGUSR1);
        return 0;
    });
    EXPECT_TRUE(result.exitedWith(0)) << result.status;
    EXPECT_EQ(result.output, "BAP");
}

// A previous handler without SA_SIGINFO is called with the signal number.
TEST(SignalChain, CallsAPlainPreviousHandlerWithTheSignal) {
    const auto result = inChild([] {
        signal(SIGUSR2, [](int number) { say(number == SIGUSR2 ? 'h' : '?'); });
        if (!ZZCrashSignalHandler::sharedHandler()->registerHandlerWithSignal(SIGUSR2, nullptr)) return 1;
        raise(SIGUSR2);
        return 0;
    });
    EXPECT_TRUE(result.exitedWith(0)) << result.status;
    EXPECT_EQ(result.output, "h");
}

// A signal that the handler before ours ignored is handled by being dropped.
TEST(SignalChain, ASignalThePreviousHandlerIgnoredIsDropped) {
    const auto result = inChild([] {
        signal(SIGUSR1, SIG_IGN);
        if (!ZZCrashSignalHandler::sharedHandler()->registerHandlerWithSignal(SIGUSR1, nullptr)) return 1;
        raise(SIGUSR1);
        say('x');
        return 0;
    });
    EXPECT_TRUE(result.exitedWith(0)) << result.status;
    EXPECT_EQ(result.output, "x");
}

// A signal that no one handles gets its default action: the process ends by
// it, once, and a real fault ends the process by the fault's signal. With
// our handler left in place the signal would come back to it for ever.
TEST(SignalChain, ASignalNoOneHandlesEndsTheProcessByItsDefaultAction) {
    struct Case {
        const char* what;
        int signal;
        void (*send)();
    };
    const Case cases[] = {
        {"a raised SIGUSR1", SIGUSR1, [] { raise(SIGUSR1); }},
        {"a write through null", SIGSEGV, [] { *static_cast<volatile int*>(nullptr) = 1; }},
        {"abort", SIGABRT, [] { abort(); }},
    };
    for (const Case& c : cases) {
        const auto result = inChild([&] {
            if (!registerFor(c.signal, declines)) return 1;
            c.send();
            return 2;
        });
        EXPECT_TRUE(result.killedBy(c.signal)) << c.what << ": wait status " << result.status;
        EXPECT_EQ(result.output, "d") << c.what;
    }
}

// Without callbacks every signal gets its default action; a registration
// afterwards starts a new chain.
TEST(SignalChain, AfterAResetNothingIsCalled) {
    static const char letter = 'A';
    const auto reset = inChild([] {
        if (!registerFor(SIGUSR1, sayAndPassOn, const_cast<char*>(&letter))) return 1;
        ZZCrashSignalHandler::resetHandlers();
        raise(SIGUSR1);
        return 2;
    });
    EXPECT_TRUE(reset.killedBy(SIGUSR1)) << reset.status;
    EXPECT_EQ(reset.output, "");

    const auto again = inChild([] {
        installPrevious(SIGUSR1, [](int, siginfo_t*, void*) { say('P'); });
        if (!registerFor(SIGUSR1, sayAndPassOn, const_cast<char*>(&letter))) return 1;
        ZZCrashSignalHandler::resetHandlers();
        if (!registerFor(SIGUSR1, sayAndPassOn, const_cast<char*>(&letter))) return 2;
        raise(SIGUSR1);
        return 3;
    });
    EXPECT_TRUE(again.killedBy(SIGUSR1)) << again.status;
    EXPECT_EQ(again.output, "A");
}

// The callbacks run on the alternate stack of the thread that registered.
TEST(SignalChain, CallbacksRunOnTheAlternateStack) {
    const auto result = inChild([] {
        if (!registerFor(SIGUSR1, [](int, siginfo_t*, ucontext_t*, void*, const zzcrash_signal_handler_next*) {
                stack_t current{};
                sigaltstack(nullptr, &current);
                say(current.ss_flags & SS_ONSTACK ? 'S' : 's');
                say(current.ss_size == 64 * 1024 ? 'K' : 'k');
                return true;
            }))
            return 1;
        raise(SIGUSR1);
        return 0;
    });
    EXPECT_TRUE(result.exitedWith(0)) << result.status;
    EXPECT_EQ(result.output, "SK");
}

// At exit the chain goes and the handlers ours replaced come back: a signal
// during the rest of the exit (here from a handler registered with atexit
// before the chain, so run after it) reaches the program's handler alone. A
// process that never registered exits as it would without the chain.
TEST(SignalChain, AtExitTheProgramsHandlersComeBack) {
    static const char letter = 'A';
    struct Case {
        const char* what;
        bool registers;
        const char* said;
    };
    const Case cases[] = {
        {"a chain", true, "APPx"},
        {"no chain", false, "PPx"},
    };
    for (const Case& c : cases) {
        const auto result = inChild([&] {
            std::atexit([] {
                raise(SIGUSR1);
                say('x');
            });
            installPrevious(SIGUSR1, [](int, siginfo_t*, void*) { say('P'); });
            if (c.registers && !registerFor(SIGUSR1, sayAndPassOn, const_cast<char*>(&letter))) return 1;
            raise(SIGUSR1);
            std::exit(0);  // the forked child's return would leave by _exit, past the exit handlers
        });
        EXPECT_TRUE(result.exitedWith(0)) << c.what << ": wait status " << result.status;
        EXPECT_EQ(result.output, c.said) << c.what;
    }
}

TEST(SignalChain, ARegistrationThatFailsSaysWhy) {
    const auto result = inChild([] {
        ZZCrashReporterError error(ZZCrashReporterError::Code::liveReportFailed, "");
        if (ZZCrashSignalHandler::sharedHandler()->registerHandlerWithSignal(SIGKILL, &error)) return 1;
        if (error.code() != ZZCrashReporterError::Code::operatingSystemFailure) return 2;
        if (error.description() != "Failed to register signal handler") return 3;
        return error.underlyingPOSIXError() == EINVAL ? 0 : 4;
    });
    EXPECT_TRUE(result.exitedWith(0)) << result.status;
}

}  // namespace
