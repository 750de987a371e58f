// Walking this process's own ELF frames: from a signal handler through the
// C library's signal trampoline and raise() back to main and _start, the same
// frames the C library's backtrace() reports; a call that ends its
// function, whose return address is the next function's first byte; and a pc
// inside a PLT stub, whose rules are an expression of the pc; a function whose
// rules set the CFA with the signed operations.
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "tests/CrashReporter/Support/FoundSymbol.h"

namespace {

constexpr std::size_t maxFrames = 256;

// How a walk reads: plain checked copies, through a window of stack pages,
// or with the window and a cache of unwind rows.
struct Reading {
    const char* name;
    std::size_t windowBytes;
    bool cached;
};

struct SignalWalk {
    zzcrash_async_image_list* list;
    std::uint8_t* window;
    std::size_t windowBytes;
    zzcrash_async_unwind_cache* cache;
    std::vector<std::uint64_t> walked;
    zzcrash_async_frame_error end = ZZCRASH_FRAME_EUNKNOWN;
    std::vector<std::uint64_t> traced;
};

SignalWalk* activeWalk = nullptr;

zzcrash_error_t walkPcs(zzcrash_async_thread_state* state, void* context) {
    auto* walk = static_cast<SignalWalk*>(context);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, state, walk->list);
    if (walk->window) zzcrash_async_frame_cursor_set_memory_buffer(&cursor, walk->window, walk->windowBytes);
    zzcrash_async_frame_cursor_set_cache(&cursor, walk->cache);
    while (walk->walked.size() < maxFrames) {
        walk->end = zzcrash_async_frame_cursor_next(&cursor);
        if (walk->end != ZZCRASH_FRAME_ESUCCESS) break;
        walk->walked.push_back(zzcrash_async_thread_state_get_reg(&cursor.frame, ZZCRASH_REG_IP));
    }
    zzcrash_async_frame_cursor_free(&cursor);
    return ZZCRASH_ESUCCESS;
}

void onSignal(int) {
    void* frames[maxFrames];
    const int count = backtrace(frames, maxFrames);
    for (int i = 0; i < count; ++i) activeWalk->traced.push_back(reinterpret_cast<std::uint64_t>(frames[i]));
    zzcrash_async_thread_state_current(walkPcs, activeWalk);
}

class ProcessImages : public ::testing::Test {
protected:
    ProcessImages() {
        void* warmUp[4];
        backtrace(warmUp, 4);  // loads the unwinder backtrace() uses before the list is read
        zzcrash_async_image_list_init(&list_, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
        zzcrash_elf_image_list_refresh(&list_);
        zzcrash_async_unwind_cache_init(&cache_);
    }
    ~ProcessImages() override { zzcrash_async_image_list_free(&list_); }

    // Raises SIGUSR1 with `onSignal` as its handler, on an alternate stack when asked.
    SignalWalk walkFromSignal(const Reading& reading, bool onAlternateStack) {
        std::vector<std::uint8_t> window(reading.windowBytes);
        SignalWalk walk{&list_,
                        window.empty() ? nullptr : window.data(),
                        window.size(),
                        reading.cached ? &cache_ : nullptr,
                        {},
                        ZZCRASH_FRAME_EUNKNOWN,
                        {}};
        std::vector<std::uint8_t> alternate(64 * 1024);
        stack_t stack{alternate.data(), 0, alternate.size()};
        stack_t previousStack{};
        if (onAlternateStack) sigaltstack(&stack, &previousStack);
        struct sigaction action {};
        struct sigaction previous {};
        action.sa_handler = onSignal;
        action.sa_flags = onAlternateStack ? SA_ONSTACK : 0;
        sigemptyset(&action.sa_mask);
        sigaction(SIGUSR1, &action, &previous);
        activeWalk = &walk;
        raise(SIGUSR1);
        activeWalk = nullptr;
        sigaction(SIGUSR1, &previous, nullptr);
        if (onAlternateStack) sigaltstack(&previousStack, nullptr);
        return walk;
    }

    std::string exportedName(std::uint64_t pc) {
        const auto* image =
            reinterpret_cast<const zzcrash_async_elf_image*>(zzcrash_async_image_containing_address(&list_, pc));
        tessivar::testing::FoundSymbol found;
        if (image) zzcrash_async_elf_symbol_at_pc(image, pc, tessivar::testing::collectFoundSymbol, &found);
        return found.name;
    }

    zzcrash_async_image_list list_{};
    zzcrash_async_unwind_cache cache_{};
};

TEST_F(ProcessImages, SignalHandlerWalkMatchesBacktrace) {
    const Reading readings[] = {{"checked copies", 0, false},
                                {"a 16 KiB window", 16 * 1024, false},
                                {"a one-page window and the cache", 4096, true}};
    for (const Reading& reading : readings) {
        for (bool onAlternateStack : {false, true}) {
            SCOPED_TRACE(std::string(reading.name) + (onAlternateStack ? ", on an alternate stack" : ""));
            const SignalWalk walk = walkFromSignal(reading, onAlternateStack);
            // The first frames differ: each is the handler's own call.
            ASSERT_GT(walk.traced.size(), 8u);
            EXPECT_EQ(walk.end, ZZCRASH_FRAME_ENOFRAME);
            ASSERT_EQ(walk.walked.size(), walk.traced.size());
            EXPECT_EQ(std::vector<std::uint64_t>(walk.walked.begin() + 1, walk.walked.end()),
                      std::vector<std::uint64_t>(walk.traced.begin() + 1, walk.traced.end()));
            // raise() in the C library, and its start-up code below main.
            std::size_t startMain = 0;
            for (std::size_t i = 0; i < walk.walked.size(); ++i) {
                if (exportedName(walk.walked[i]) == "__libc_start_main") startMain = i;
            }
            EXPECT_GT(startMain, 4u);
            EXPECT_EQ(startMain + 2, walk.walked.size()) << "_start should follow __libc_start_main";
        }
    }
}

// Its rules give the CFA as rsp + 32 by DW_CFA_def_cfa_offset_sf -4 (the
// library's own comment has them all); backtrace() reads them as DWARF says.
TEST_F(ProcessImages, WalkThroughSignedCfaOffsetsMatchesBacktrace) {
    void* library = dlopen(TESSIVAR_SIGNED_CFA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto call = reinterpret_cast<void (*)(void (*)(void*), void*)>(dlsym(library, "tessivar_signed_cfa_call"));
    ASSERT_NE(call, nullptr);
    zzcrash_elf_image_list_refresh(&list_);
    SignalWalk walk{&list_, nullptr, 0, nullptr, {}, ZZCRASH_FRAME_EUNKNOWN, {}};
    activeWalk = &walk;
    call([](void*) { onSignal(0); }, nullptr);
    activeWalk = nullptr;
    ASSERT_GT(walk.traced.size(), 4u);
    EXPECT_EQ(walk.end, ZZCRASH_FRAME_ENOFRAME);
    ASSERT_EQ(walk.walked.size(), walk.traced.size());
    EXPECT_EQ(std::vector<std::uint64_t>(walk.walked.begin() + 1, walk.walked.end()),
              std::vector<std::uint64_t>(walk.traced.begin() + 1, walk.traced.end()));
}

TEST_F(ProcessImages, CachedRowsGiveTheSameWalk) {
    const Reading cached{"cached", 16 * 1024, true};
    std::vector<SignalWalk> walks;
    for (int i = 0; i < 2; ++i) walks.push_back(walkFromSignal(cached, false));  // from one call site
    const SignalWalk& first = walks[0];
    const SignalWalk& second = walks[1];
    std::size_t kept = 0;
    for (const zzcrash_async_unwind_cache_entry& entry : cache_.entries) kept += entry.image != nullptr;
    EXPECT_GT(kept, 4u);
    EXPECT_EQ(std::vector<std::uint64_t>(first.walked.begin() + 1, first.walked.end()),
              std::vector<std::uint64_t>(second.walked.begin() + 1, second.walked.end()));
}

// tessivar_ends_in_call(callback, record) calls callback(record) as its very
// last instruction (it never returns: the callback jumps away), so its return
// address is the first byte of tessivar_after_call, whose rules would place
// the CFA 1 KiB up the stack. Both record where the first was called from.
struct CallRecord {
    std::uint64_t returnAddress;  // into the test
    std::uint64_t callerStack;    // the caller's stack pointer after the return
    std::uint64_t framePointer;
};

}  // namespace

extern "C" void tessivar_ends_in_call(void (*callback)(CallRecord*), CallRecord* record);
extern "C" void tessivar_after_call();
extern "C" void tessivar_faults_first(CallRecord* record);
asm(R"(
    .pushsection .text
    .globl tessivar_ends_in_call
    .type tessivar_ends_in_call, @function
tessivar_ends_in_call:
    .cfi_startproc
    movq (%rsp), %rax
    movq %rax, 0(%rsi)
    leaq 8(%rsp), %rax
    movq %rax, 8(%rsi)
    pushq %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    movq %rsp, %rbp
    .cfi_def_cfa_register %rbp
    movq %rbp, 16(%rsi)
    movq %rdi, %rax
    movq %rsi, %rdi
    callq *%rax
    .cfi_endproc
    .size tessivar_ends_in_call, .-tessivar_ends_in_call
    .globl tessivar_after_call
    .type tessivar_after_call, @function
tessivar_after_call:
    .cfi_startproc
    .cfi_def_cfa %rsp, 1024
    ud2
    .cfi_endproc
    .size tessivar_after_call, .-tessivar_after_call

# tessivar_faults_first(record): its very first instruction reads address 0.
# Just before it, a function whose last rules put the CFA 1 KiB up the stack.
    .type tessivar_before_fault, @function
tessivar_before_fault:
    .cfi_startproc
    .cfi_def_cfa %rsp, 1024
    ud2
    .cfi_endproc
    .size tessivar_before_fault, .-tessivar_before_fault
    .globl tessivar_faults_first
    .type tessivar_faults_first, @function
tessivar_faults_first:
    .cfi_startproc
    movq 0, %rax
    ret
    .cfi_endproc
    .size tessivar_faults_first, .-tessivar_faults_first
    .popsection
)");

namespace {

struct NoReturnWalk {
    zzcrash_async_image_list* list;
    std::vector<zzcrash_async_thread_state> frames;
    sigjmp_buf back;
    std::uint64_t returnAddress = 0;  // the word at the third frame's stack pointer
};
NoReturnWalk* activeNoReturn = nullptr;

zzcrash_error_t walkThreeFrames(zzcrash_async_thread_state* state, void* context) {
    auto* walk = static_cast<NoReturnWalk*>(context);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, state, walk->list);
    const zzcrash_async_frame_reader dwarf = zzcrash_async_frame_read_dwarf;
    for (int i = 0; i < 3 && zzcrash_async_frame_cursor_step(&cursor, &dwarf, 1) == ZZCRASH_FRAME_ESUCCESS; ++i)
        walk->frames.push_back(cursor.frame);
    zzcrash_async_frame_cursor_free(&cursor);
    return ZZCRASH_ESUCCESS;
}

void captureAndLeave(CallRecord*) {
    zzcrash_async_thread_state_current(walkThreeFrames, activeNoReturn);
    siglongjmp(activeNoReturn->back, 1);
}

std::uint64_t reg(const zzcrash_async_thread_state& state, std::uint32_t index) {
    return zzcrash_async_thread_state_has_reg(&state, index) ? zzcrash_async_thread_state_get_reg(&state, index) : 0;
}

TEST_F(ProcessImages, CallAtTheEndOfAFunctionIsLookedUpInsideIt) {
    auto walk = std::make_unique<NoReturnWalk>();
    walk->list = &list_;
    CallRecord record{};
    activeNoReturn = walk.get();
    if (sigsetjmp(walk->back, 0) == 0) tessivar_ends_in_call(captureAndLeave, &record);
    activeNoReturn = nullptr;
    ASSERT_EQ(walk->frames.size(), 3u);
    // The frame's pc is recorded as it is: the next function's first byte.
    EXPECT_EQ(reg(walk->frames[1], ZZCRASH_X86_64_RIP), reinterpret_cast<std::uint64_t>(tessivar_after_call));
    EXPECT_EQ(reg(walk->frames[2], ZZCRASH_X86_64_RIP), record.returnAddress);
    EXPECT_EQ(reg(walk->frames[2], ZZCRASH_X86_64_RSP), record.callerStack);
}

NoReturnWalk* activeFault = nullptr;

// From the SIGSEGV handler: the handler, the signal trampoline, then the
// faulting frame, whose pc is the function's first byte.
void walkFromFault(int) {
    zzcrash_async_thread_state_current(
        [](zzcrash_async_thread_state* state, void* context) {
            auto* walk = static_cast<NoReturnWalk*>(context);
            zzcrash_async_frame_cursor cursor;
            zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, state, walk->list);
            for (int i = 0; i < 5 && zzcrash_async_frame_cursor_next(&cursor) == ZZCRASH_FRAME_ESUCCESS; ++i)
                walk->frames.push_back(cursor.frame);
            zzcrash_async_frame_cursor_free(&cursor);
            if (walk->frames.size() > 2) {
                const std::uint64_t sp = zzcrash_async_thread_state_get_reg(&walk->frames[2], ZZCRASH_X86_64_RSP);
                walk->returnAddress = *reinterpret_cast<const std::uint64_t*>(sp);
            }
            return ZZCRASH_ESUCCESS;
        },
        activeFault);
    siglongjmp(activeFault->back, 1);
}

// The frame a signal interrupted is looked up at its pc: the signal
// trampoline's CIE says so ('S'), and pc - 1 would be the function before.
TEST_F(ProcessImages, InterruptedFrameIsLookedUpAtItsPc) {
    auto walk = std::make_unique<NoReturnWalk>();
    walk->list = &list_;
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = walkFromFault;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &previous);
    activeFault = walk.get();
    if (sigsetjmp(walk->back, 1) == 0) tessivar_faults_first(nullptr);
    activeFault = nullptr;
    sigaction(SIGSEGV, &previous, nullptr);
    ASSERT_EQ(walk->frames.size(), 5u);
    EXPECT_EQ(reg(walk->frames[2], ZZCRASH_X86_64_RIP), reinterpret_cast<std::uint64_t>(tessivar_faults_first));
    // Its caller is this test: the return address of the call, right above
    // the interrupted frame's stack pointer (read while the handler ran).
    const std::uint64_t faultingSp = reg(walk->frames[2], ZZCRASH_X86_64_RSP);
    EXPECT_EQ(reg(walk->frames[3], ZZCRASH_X86_64_RSP), faultingSp + 8);
    EXPECT_EQ(reg(walk->frames[3], ZZCRASH_X86_64_RIP), walk->returnAddress);
}

// The caller DWARF's rules give a first frame at `pc` and `sp`; no register
// valid when they give none.
zzcrash_async_thread_state dwarfCallerOf(zzcrash_async_image_list* list, std::uint64_t pc, std::uint64_t sp) {
    zzcrash_async_thread_state state;
    zzcrash_async_thread_state_init(&state, ZZCRASH_CPU_TYPE_X86_64);
    zzcrash_async_thread_state_set_reg(&state, ZZCRASH_X86_64_RIP, pc);
    zzcrash_async_thread_state_set_reg(&state, ZZCRASH_X86_64_RSP, sp);
    zzcrash_async_thread_state_set_reg(&state, ZZCRASH_X86_64_RBP, 0);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, &state, list);
    const zzcrash_async_frame_reader dwarf = zzcrash_async_frame_read_dwarf;
    zzcrash_async_frame_cursor_step(&cursor, &dwarf, 1);  // the first frame itself
    if (zzcrash_async_frame_cursor_step(&cursor, &dwarf, 1) != ZZCRASH_FRAME_ESUCCESS)
        zzcrash_async_thread_state_clear_all(&cursor.frame);
    const zzcrash_async_thread_state caller = cursor.frame;
    zzcrash_async_frame_cursor_free(&cursor);
    return caller;
}

// The first frame's pc is where the thread stopped, not a return address:
// at a function's first byte it is that function's.
TEST_F(ProcessImages, FirstFrameIsLookedUpAtItsPc) {
    std::uint64_t stack[4] = {0x7000, 0, 0, 0};
    const zzcrash_async_thread_state caller = dwarfCallerOf(
        &list_, reinterpret_cast<std::uint64_t>(tessivar_after_call), reinterpret_cast<std::uint64_t>(stack) - 1016);
    // tessivar_after_call's rule: CFA = rsp + 1024, the return address at CFA - 8.
    EXPECT_EQ(reg(caller, ZZCRASH_X86_64_RIP), 0x7000u);
    EXPECT_EQ(reg(caller, ZZCRASH_X86_64_RSP), reinterpret_cast<std::uint64_t>(stack) + 8);
}

// Where the file's section of that name is loaded, before the image's bias.
std::optional<std::uint64_t> sectionAddress(const std::string& path, const std::string& name) {
    std::ifstream file(path, std::ios::binary);
    Elf64_Ehdr header{};
    if (!file.read(reinterpret_cast<char*>(&header), sizeof header)) return std::nullopt;
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    file.seekg(static_cast<std::streamoff>(header.e_shoff));
    if (sections.empty() || header.e_shstrndx >= sections.size() ||
        !file.read(reinterpret_cast<char*>(sections.data()),
                   static_cast<std::streamsize>(sections.size() * sizeof(Elf64_Shdr))))
        return std::nullopt;
    std::string names(sections[header.e_shstrndx].sh_size, '\0');
    file.seekg(static_cast<std::streamoff>(sections[header.e_shstrndx].sh_offset));
    if (!file.read(names.data(), static_cast<std::streamsize>(names.size()))) return std::nullopt;
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name < names.size() && names.c_str() + section.sh_name == name) return section.sh_addr;
    }
    return std::nullopt;
}

// The GNU toolchain's PLT rows compute the CFA from the pc (DW_OP_breg16): at
// a stub's jump through its slot nothing is pushed yet; from its last
// instruction (byte 11 of the 16) on, the relocation index lies above the
// return address.
TEST_F(ProcessImages, APcInsideAPltStubIsUnwoundByItsRows) {
    const char* const libraries[] = {"libc.so.6", "libstdc++.so.6"};
    for (const char* library : libraries) {
        const zzcrash_async_elf_image* image = nullptr;
        for (zzcrash_async_image* each = zzcrash_async_image_list_next(&list_, nullptr); each;
             each = zzcrash_async_image_list_next(&list_, each)) {
            const auto* elf = reinterpret_cast<const zzcrash_async_elf_image*>(each);
            if (elf->name && std::string(elf->name).ends_with(std::string("/") + library)) image = elf;
        }
        ASSERT_NE(image, nullptr) << library;
        const std::optional<std::uint64_t> plt = sectionAddress(image->name, ".plt");
        ASSERT_TRUE(plt) << image->name;
        const std::uint64_t secondStub = *plt + image->bias + 32;  // the header takes the first 16 bytes
        std::uint64_t stack[3] = {0x21, 0x7000, 0x8000};           // the index, the return address, the caller's
        for (const auto& [pc, sp] : {std::pair{secondStub, &stack[1]}, std::pair{secondStub + 11, &stack[0]}}) {
            SCOPED_TRACE(std::string(library) + " at stub byte " + std::to_string(pc - secondStub));
            const zzcrash_async_thread_state caller = dwarfCallerOf(&list_, pc, reinterpret_cast<std::uint64_t>(sp));
            EXPECT_EQ(reg(caller, ZZCRASH_X86_64_RIP), 0x7000u);
            EXPECT_EQ(reg(caller, ZZCRASH_X86_64_RSP), reinterpret_cast<std::uint64_t>(&stack[2]));
        }
    }
}

}  // namespace
