#include "CrashReporter/Platform/zzcrash_fault_context.h"

#include <atomic>

namespace {

struct Saved {
    std::atomic<zzcrash_thread_t> thread;
    std::atomic<mcontext_t*> context;
    std::atomic<const siginfo_t*> signal;
};

Saved saved[ZZCRASH_FAULT_CONTEXT_CAPACITY];

Saved* slotOf(zzcrash_thread_t thread) {
    for (Saved& slot : saved)
        if (slot.thread.load() == thread) return &slot;
    return nullptr;
}

}  // namespace

bool zzcrash_fault_context_save(zzcrash_thread_t thread, mcontext_t* context, const siginfo_t* signal) {
    for (Saved& slot : saved) {
        zzcrash_thread_t free = 0;
        if (!slot.thread.compare_exchange_strong(free, thread)) continue;
        slot.signal.store(signal);
        slot.context.store(context);
        return true;
    }
    return false;
}

void zzcrash_fault_context_clear(zzcrash_thread_t thread) {
    Saved* slot = slotOf(thread);
    if (!slot) return;
    slot->context.store(nullptr);
    slot->signal.store(nullptr);
    slot->thread.store(0);
}

mcontext_t* zzcrash_fault_context_of(zzcrash_thread_t thread) {
    const Saved* slot = slotOf(thread);
    return slot ? slot->context.load() : nullptr;
}

const siginfo_t* zzcrash_fault_signal_of(zzcrash_thread_t thread) {
    const Saved* slot = slotOf(thread);
    return slot ? slot->signal.load() : nullptr;
}
