#include "CrashReporter/Platform/zzcrash_thread_state.h"

#include <cstring>

#include "CrashReporter/Platform/zzcrash_fault_context.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"

namespace {

using T64 = zzcrash_x86_thread_state64;
using E64 = zzcrash_x86_exception_state64;

// A flavour with a header is {flavour, count} and then the bare set.
struct Layout {
    std::uint32_t bare;   // the flavour of the set itself
    std::uint32_t words;  // of the set
    bool headed;
};

constexpr std::uint32_t headerWords = 2;

bool layoutOf(std::uint32_t flavor, Layout* layout) {
    switch (flavor) {
    case ZZCRASH_X86_THREAD_STATE64: *layout = {flavor, sizeof(T64) / 4, false}; return true;
    case ZZCRASH_X86_EXCEPTION_STATE64: *layout = {flavor, sizeof(E64) / 4, false}; return true;
    case static_cast<std::uint32_t>(ZZCRASH_X86_THREAD_STATE):
        *layout = {ZZCRASH_X86_THREAD_STATE64, sizeof(T64) / 4, true};
        return true;
    case ZZCRASH_X86_EXCEPTION_STATE: *layout = {ZZCRASH_X86_EXCEPTION_STATE64, sizeof(E64) / 4, true}; return true;
    default: return false;
    }
}

std::uint32_t totalWords(const Layout& layout) { return layout.words + (layout.headed ? headerWords : 0); }

// The segment selectors a signal context packs into one word: cs, gs, fs, ss.
std::uint64_t selector(greg_t packed, int position) {
    return (static_cast<std::uint64_t>(packed) >> (16 * position)) & 0xffff;
}

greg_t reg(std::uint64_t value) { return static_cast<greg_t>(value); }

void setGeneralRegisters(mcontext_t* context, const T64& r) {
    greg_t* g = context->gregs;
    g[REG_RAX] = reg(r.rax), g[REG_RBX] = reg(r.rbx), g[REG_RCX] = reg(r.rcx), g[REG_RDX] = reg(r.rdx);
    g[REG_RDI] = reg(r.rdi), g[REG_RSI] = reg(r.rsi), g[REG_RBP] = reg(r.rbp), g[REG_RSP] = reg(r.rsp);
    g[REG_R8] = reg(r.r8), g[REG_R9] = reg(r.r9), g[REG_R10] = reg(r.r10), g[REG_R11] = reg(r.r11);
    g[REG_R12] = reg(r.r12), g[REG_R13] = reg(r.r13), g[REG_R14] = reg(r.r14), g[REG_R15] = reg(r.r15);
    g[REG_RIP] = reg(r.rip), g[REG_EFL] = reg(r.rflags);
}

}  // namespace

zzcrash_x86_thread_state64 zzcrash_x86_thread_state64_of(const mcontext_t* context) {
    const greg_t* g = context->gregs;
    const auto u = [](greg_t value) { return static_cast<std::uint64_t>(value); };
    return {u(g[REG_RAX]),
            u(g[REG_RBX]),
            u(g[REG_RCX]),
            u(g[REG_RDX]),
            u(g[REG_RDI]),
            u(g[REG_RSI]),
            u(g[REG_RBP]),
            u(g[REG_RSP]),
            u(g[REG_R8]),
            u(g[REG_R9]),
            u(g[REG_R10]),
            u(g[REG_R11]),
            u(g[REG_R12]),
            u(g[REG_R13]),
            u(g[REG_R14]),
            u(g[REG_R15]),
            u(g[REG_RIP]),
            u(g[REG_EFL]),
            selector(g[REG_CSGSFS], 0),
            selector(g[REG_CSGSFS], 2),
            selector(g[REG_CSGSFS], 1)};
}

zzcrash_x86_exception_state64 zzcrash_x86_exception_state64_of(const mcontext_t* context) {
    const greg_t* g = context->gregs;
    return {static_cast<std::uint16_t>(g[REG_TRAPNO]), 0, static_cast<std::uint32_t>(g[REG_ERR]),
            static_cast<std::uint64_t>(g[REG_CR2])};
}

const mcontext_t* zzcrash_thread_context_of(zzcrash_thread_t thread) {
    const mcontext_t* context = zzcrash_fault_context_of(thread);
    return context ? context : zzcrash_thread_stopped_context(thread);
}

zzcrash_kern_return_t zzcrash_thread_get_state(zzcrash_thread_t thread, std::uint32_t flavor, std::uint32_t* words,
                                               std::uint32_t* count) {
    Layout layout{};
    if (!layoutOf(flavor, &layout) || *count < totalWords(layout)) return ZZCRASH_KERN_INVALID_ARGUMENT;
    const mcontext_t* context = zzcrash_thread_context_of(thread);
    if (!context) return ZZCRASH_KERN_FAILURE;
    std::uint32_t* set = words;
    if (layout.headed) {
        words[0] = layout.bare;
        words[1] = layout.words;
        set += headerWords;
    }
    if (layout.bare == ZZCRASH_X86_THREAD_STATE64) {
        const T64 registers = zzcrash_x86_thread_state64_of(context);
        std::memcpy(set, &registers, sizeof registers);
    } else {
        const E64 exception = zzcrash_x86_exception_state64_of(context);
        std::memcpy(set, &exception, sizeof exception);
    }
    *count = totalWords(layout);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t zzcrash_thread_set_state(zzcrash_thread_t thread, std::uint32_t flavor,
                                               const std::uint32_t* words, std::uint32_t count) {
    Layout layout{};
    if (!layoutOf(flavor, &layout) || count < totalWords(layout)) return ZZCRASH_KERN_INVALID_ARGUMENT;
    if (layout.headed && (words[0] != layout.bare || words[1] != layout.words)) return ZZCRASH_KERN_INVALID_ARGUMENT;
    mcontext_t* context = zzcrash_fault_context_of(thread);
    if (!context) return ZZCRASH_KERN_FAILURE;
    if (layout.bare != ZZCRASH_X86_THREAD_STATE64) return ZZCRASH_KERN_SUCCESS;
    T64 registers;
    std::memcpy(&registers, words + (layout.headed ? headerWords : 0), sizeof registers);
    setGeneralRegisters(context, registers);
    return ZZCRASH_KERN_SUCCESS;
}
