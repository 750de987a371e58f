#include "CrashReporter/Signals/Private/zzcrash_thread_start.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "CrashReporter/Platform/zzcrash_thread_stacks.h"

namespace {

using CreateFunction = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
std::atomic<CreateFunction> realCreate{nullptr};

// A started thread's own stack, given back when its start routine returns or
// the thread exits (pthread_exit and cancellation unwind through here).
class OwnStack {
public:
    OwnStack() { zzcrash_thread_stack_give_own(&stack_); }
    ~OwnStack() { zzcrash_thread_stack_take_back(&stack_); }
    OwnStack(const OwnStack&) = delete;
    OwnStack& operator=(const OwnStack&) = delete;

private:
    stack_t stack_{};
};

struct Start {
    void* (*routine)(void*);
    void* argument;
};

void* startCovered(void* start) {
    const Start copy = *static_cast<Start*>(start);
    std::free(start);
    const OwnStack own;
    return copy.routine(copy.argument);
}

CreateFunction theRealCreate() {
    CreateFunction real = realCreate.load();
    if (real) return real;
    real = reinterpret_cast<CreateFunction>(dlsym(RTLD_NEXT, "pthread_create"));
    realCreate.store(real);
    return real;
}

}  // namespace

// Every thread start wraps its routine, also before the reporter is enabled:
// a thread started while the running threads are swept checks at its own
// start, after it is listed, so none falls between the two. Defined in the
// program, it comes before the C library's for every library's callers too.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*),
                              void* argument) noexcept {
    const CreateFunction real = theRealCreate();
    if (!real) return EAGAIN;
    auto* start = static_cast<Start*>(std::malloc(sizeof(Start)));
    if (!start) return real(thread, attributes, routine, argument);
    *start = {routine, argument};
    const int created = real(thread, attributes, startCovered, start);
    if (created != 0) std::free(start);
    return created;
}

bool zzcrash_thread_start_cover_all() { return zzcrash_thread_stacks_install(); }
