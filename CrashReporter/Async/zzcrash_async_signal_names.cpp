#include "CrashReporter/Async/zzcrash_async_signal_names.h"

#include <signal.h>

namespace {

struct SignalName {
    int signal;
    const char* name;
};

// In the crash log's traditional order; the first row with a number wins, so
// SIGIOT never shows (it is SIGABRT). SIGEMT, which this platform has no
// signal for, has a number of its own for the emulation exception; SIGINFO
// has no row; this platform's extras (SIGSTKFLT, SIGPWR) have no name in the
// log and print as numbers.
const SignalName signalNames[] = {
    {SIGHUP, "SIGHUP"},     {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"},     {SIGILL, "SIGILL"},
    {SIGTRAP, "SIGTRAP"},   {SIGABRT, "SIGABRT"}, {SIGIOT, "SIGIOT"},       {ZZCRASH_SIGEMT, "SIGEMT"},
    {SIGFPE, "SIGFPE"},     {SIGKILL, "SIGKILL"}, {SIGBUS, "SIGBUS"},       {SIGSEGV, "SIGSEGV"},
    {SIGSYS, "SIGSYS"},     {SIGPIPE, "SIGPIPE"}, {SIGALRM, "SIGALRM"},     {SIGTERM, "SIGTERM"},
    {SIGURG, "SIGURG"},     {SIGSTOP, "SIGSTOP"}, {SIGTSTP, "SIGTSTP"},     {SIGCONT, "SIGCONT"},
    {SIGCHLD, "SIGCHLD"},   {SIGTTIN, "SIGTTIN"}, {SIGTTOU, "SIGTTOU"},     {SIGIO, "SIGIO"},
    {SIGXCPU, "SIGXCPU"},   {SIGXFSZ, "SIGXFSZ"}, {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"},
    {SIGWINCH, "SIGWINCH"}, {SIGUSR1, "SIGUSR1"}, {SIGUSR2, "SIGUSR2"},
};

struct CodeName {
    int signal;
    int code;
    const char* name;
};

// Code 0 is a signal without a fault code (one sent with kill); the log names
// it as it always has.
const CodeName codeNames[] = {
    {SIGILL, 0, "ILL_NOOP"},
    {SIGILL, ILL_ILLOPC, "ILL_ILLOPC"},
    {SIGILL, ILL_ILLTRP, "ILL_ILLTRP"},
    {SIGILL, ILL_PRVOPC, "ILL_PRVOPC"},
    {SIGILL, ILL_ILLOPN, "ILL_ILLOPN"},
    {SIGILL, ILL_ILLADR, "ILL_ILLADR"},
    {SIGILL, ILL_PRVREG, "ILL_PRVREG"},
    {SIGILL, ILL_COPROC, "ILL_COPROC"},
    {SIGILL, ILL_BADSTK, "ILL_BADSTK"},
    {SIGFPE, 0, "FPE_NOOP"},
    {SIGFPE, FPE_FLTDIV, "FPE_FLTDIV"},
    {SIGFPE, FPE_FLTOVF, "FPE_FLTOVF"},
    {SIGFPE, FPE_FLTUND, "FPE_FLTUND"},
    {SIGFPE, FPE_FLTRES, "FPE_FLTRES"},
    {SIGFPE, FPE_FLTINV, "FPE_FLTINV"},
    {SIGFPE, FPE_FLTSUB, "FPE_FLTSUB"},
    {SIGFPE, FPE_INTDIV, "FPE_INTDIV"},
    {SIGFPE, FPE_INTOVF, "FPE_INTOVF"},
    {SIGSEGV, 0, "SEGV_NOOP"},
    {SIGSEGV, SEGV_MAPERR, "SEGV_MAPERR"},
    {SIGSEGV, SEGV_ACCERR, "SEGV_ACCERR"},
    {SIGBUS, 0, "BUS_NOOP"},
    {SIGBUS, BUS_ADRALN, "BUS_ADRALN"},
    {SIGBUS, BUS_ADRERR, "BUS_ADRERR"},
    {SIGBUS, BUS_OBJERR, "BUS_OBJERR"},
    {SIGTRAP, 0, "#0"},
    {SIGTRAP, TRAP_BRKPT, "TRAP_BRKPT"},
    {SIGTRAP, TRAP_TRACE, "TRAP_TRACE"},
    {SIGABRT, 0, "#0"},
    {ZZCRASH_SIGEMT, 0, "#0"},
};

struct SenderName {
    int code;
    const char* name;
};

// Codes that say who sent a signal rather than which fault raised it: the
// same for every signal the log names (abort() sends SIGABRT with SI_TKILL).
// A signal's own row for a code comes first.
const SenderName senderNames[] = {
    {SI_USER, "SI_USER"},   {SI_KERNEL, "SI_KERNEL"},   {SI_QUEUE, "SI_QUEUE"}, {SI_TIMER, "SI_TIMER"},
    {SI_MESGQ, "SI_MESGQ"}, {SI_ASYNCIO, "SI_ASYNCIO"}, {SI_SIGIO, "SI_SIGIO"}, {SI_TKILL, "SI_TKILL"},
};

}  // namespace

const char* zzcrash_async_signal_name(int signal) {
    for (const SignalName& row : signalNames) {
        if (row.signal == signal) return row.name;
    }
    return nullptr;
}

const char* zzcrash_async_signal_code_name(int signal, int code) {
    for (const CodeName& row : codeNames) {
        if (row.signal == signal && row.code == code) return row.name;
    }
    if (!zzcrash_async_signal_name(signal)) return nullptr;
    for (const SenderName& row : senderNames) {
        if (row.code == code) return row.name;
    }
    return nullptr;
}
