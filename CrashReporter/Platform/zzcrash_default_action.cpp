#include "CrashReporter/Platform/zzcrash_default_action.h"

#include <signal.h>

void zzcrash_raise_with_default_action(int signal) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signal, &defaultAction, nullptr);
    raise(signal);
}
