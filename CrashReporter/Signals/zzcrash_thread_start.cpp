#include "CrashReporter/Signals/zzcrash_thread_start.h"

#include <cerrno>
#include <cstdlib>

namespace {

struct Start {
    void* (*routine)(void*);
    void* argument;
};

// The stack is given back when the thread ends, however it ends.
void* startWithAlternateStack(void* start) {
    const Start copy = *static_cast<Start*>(start);
    std::free(start);
    // Without a stack the thread still runs; only an overflow of its stack would go unreported.
    (void)zzcrash_thread_install_alternate_stack();
    return copy.routine(copy.argument);
}

}  // namespace

int zzcrash_thread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*),
                          void* argument) {
    auto* start = static_cast<Start*>(std::malloc(sizeof(Start)));
    if (!start) return EAGAIN;
    *start = {routine, argument};
    const int created = pthread_create(thread, attributes, startWithAlternateStack, start);
    if (created != 0) std::free(start);
    return created;
}
