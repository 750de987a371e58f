#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_signal_names.h"
#include "CrashReporter/Async/zzcrash_error.h"
#include "tests/CrashReporter/Support/ForkedChild.h"

namespace {

std::string nameOr(const char* name, const char* none = "null") { return name ? name : none; }

TEST(ErrorText, CodesOutsideTheTableAreUnhandled) {
    EXPECT_STREQ(zzcrash_async_error_text(ZZCRASH_ESUCCESS), "No error");
    EXPECT_STREQ(zzcrash_async_error_text(ZZCRASH_EINVALID_DATA), "The input data is in an unknown or invalid format.");
    EXPECT_STREQ(zzcrash_async_error_text(10), "Unhandled error code");
    EXPECT_STREQ(zzcrash_async_error_text(-1), "Unhandled error code");
}

// The C library's own abbreviations are the oracle for the numbers: a signal
// is named exactly when its name is one a crash log knows.
TEST(SignalName, NamesThisPlatformsNumbersAsTheCrashLogKnowsThem) {
    const std::set<std::string> logNames = {
        "SIGHUP",  "SIGINT",    "SIGQUIT", "SIGILL",   "SIGTRAP", "SIGABRT", "SIGEMT",  "SIGFPE",
        "SIGKILL", "SIGBUS",    "SIGSEGV", "SIGSYS",   "SIGPIPE", "SIGALRM", "SIGTERM", "SIGURG",
        "SIGSTOP", "SIGTSTP",   "SIGCONT", "SIGCHLD",  "SIGTTIN", "SIGTTOU", "SIGIO",   "SIGXCPU",
        "SIGXFSZ", "SIGVTALRM", "SIGPROF", "SIGWINCH", "SIGINFO", "SIGUSR1", "SIGUSR2"};
    // The C library names signal 29 by its other name.
    const std::map<std::string, std::string> aliases = {{"SIGPOLL", "SIGIO"}};
    for (int signal = 0; signal <= SIGRTMAX + 1; ++signal) {
        const char* abbreviation = sigabbrev_np(signal);
        std::string name = abbreviation ? "SIG" + std::string(abbreviation) : "";
        if (aliases.count(name)) name = aliases.at(name);
        const std::string expected = logNames.count(name) ? name : "null";
        EXPECT_EQ(nameOr(zzcrash_async_signal_name(signal)), expected) << signal;
    }
    EXPECT_STREQ(zzcrash_async_signal_name(SIGABRT), "SIGABRT");
    EXPECT_STREQ(zzcrash_async_signal_name(SIGBUS), "SIGBUS");
    // The emulation trap has a number past this platform's signals.
    EXPECT_STREQ(zzcrash_async_signal_name(ZZCRASH_SIGEMT), "SIGEMT");
}

TEST(SignalCodeName, NamesEachKnownPairAndNothingElse) {
    struct Case {
        int signal;
        int code;
        const char* name;
    };
    const Case cases[] = {
        {SIGILL, 0, "ILL_NOOP"},
        {SIGILL, ILL_ILLOPN, "ILL_ILLOPN"},
        {SIGILL, ILL_BADSTK, "ILL_BADSTK"},
        {SIGFPE, FPE_INTDIV, "FPE_INTDIV"},
        {SIGFPE, FPE_FLTDIV, "FPE_FLTDIV"},
        {SIGFPE, FPE_INTOVF, "FPE_INTOVF"},
        {SIGSEGV, SEGV_MAPERR, "SEGV_MAPERR"},
        {SIGSEGV, SEGV_ACCERR, "SEGV_ACCERR"},
        {SIGSEGV, 3, nullptr},
        {SIGBUS, BUS_ADRERR, "BUS_ADRERR"},
        {SIGBUS, BUS_OBJERR, "BUS_OBJERR"},
        {SIGTRAP, 0, "#0"},
        {SIGTRAP, TRAP_BRKPT, "TRAP_BRKPT"},
        {SIGABRT, 0, "#0"},
        {SIGABRT, SI_TKILL, "SI_TKILL"},
        {SIGKILL, 0, "SI_USER"},
        {SIGILL, 9, nullptr},
        {SIGSEGV, SI_KERNEL, "SI_KERNEL"},
        {SIGTERM, SI_QUEUE, "SI_QUEUE"},
        {SIGALRM, SI_TIMER, "SI_TIMER"},
        {SIGIO, SI_MESGQ, "SI_MESGQ"},
        {SIGUSR1, SI_ASYNCIO, "SI_ASYNCIO"},
        {SIGIO, SI_SIGIO, "SI_SIGIO"},
        {SIGUSR2, -7, nullptr},
        {SIGRTMIN, SI_QUEUE, nullptr},
        {SIGSTKFLT, SI_USER, nullptr},
        {ZZCRASH_SIGEMT, 0, "#0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nameOr(zzcrash_async_signal_code_name(c.signal, c.code)), nameOr(c.name))
            << c.signal << " " << c.code;
    }
}

sigjmp_buf recovery;
volatile sig_atomic_t caughtSignal = 0;
volatile sig_atomic_t caughtCode = 0;

void recordFault(int signal, siginfo_t* info, void*) {
    caughtSignal = signal;
    caughtCode = info->si_code;
    siglongjmp(recovery, 1);
}

volatile int seven = 7;
volatile int zero = 0;
volatile int quotient = 0;
volatile std::uintptr_t nearNull = 16;

// Each fault in turn, caught and named as the crash log would name it.
std::string namesOfRealFaults() {
    struct sigaction action {};
    action.sa_sigaction = recordFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(signal, &action, nullptr);
    const long page = sysconf(_SC_PAGESIZE);
    auto* guard = static_cast<char*>(
        mmap(nullptr, static_cast<std::size_t>(page), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    char path[] = "/tmp/zzcrash-bus-XXXXXX";
    const int fd = mkstemp(path);
    unlink(path);
    auto* pastEnd =
        static_cast<volatile char*>(mmap(nullptr, static_cast<std::size_t>(page), PROT_READ, MAP_SHARED, fd, 0));
    const std::function<void()> faults[] = {
        [] { (void)*reinterpret_cast<volatile char*>(nearNull); },
        [guard] { (void)*static_cast<volatile char*>(guard); },
        [pastEnd] { (void)*pastEnd; },
        [] { quotient = seven / zero; },
        [] { asm volatile("ud2"); },
    };
    std::string names;
    for (const auto& fault : faults) {
        if (sigsetjmp(recovery, 1) == 0) fault();
        names += nameOr(zzcrash_async_signal_name(caughtSignal)) + "/" +
                 nameOr(zzcrash_async_signal_code_name(caughtSignal, caughtCode)) + " ";
    }
    return names;
}

TEST(SignalCodeName, NamesRealFaultsOfThisPlatform) {
    const auto result = tessivar::testing::runForked(
        [](int output) {
            const std::string names = namesOfRealFaults();
            return write(output, names.data(), names.size()) == static_cast<ssize_t>(names.size()) ? 0 : 1;
        },
        std::chrono::seconds(10));
    ASSERT_TRUE(result.exitedWith(0)) << result.status;
    EXPECT_EQ(result.output,
              "SIGSEGV/SEGV_MAPERR SIGSEGV/SEGV_ACCERR SIGBUS/BUS_ADRERR SIGFPE/FPE_INTDIV SIGILL/ILL_ILLOPN ");
}

}  // namespace
