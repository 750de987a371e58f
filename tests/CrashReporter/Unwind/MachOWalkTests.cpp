// Walking real machine code: libwalk.dylib's chain of functions, mapped
// executable at a slide and called through a pointer, captures the thread
// state at its bottom; the walk goes back up through the DWARF-only, the two
// frameless and the frame-pointer function to the test's own trampoline,
// whose registers it must give back exactly.
#include <sys/mman.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"
#include "tests/CrashReporter/MachO/FixtureAnswers.h"
#include "tests/CrashReporter/MachO/LoadedFixture.h"

namespace {

using namespace tessivar::testing::macho;

// What the trampoline saw when it called into the fixture: the address its
// call returns to, its frame pointer and its stack pointer after the return.
struct TrampolineRecord {
    std::uint64_t returnAddress;
    std::uint64_t framePointer;
    std::uint64_t stackPointer;
};

// The callee-saved registers the trampoline loads before its call: the walk
// must find them again in the trampoline's frame.
constexpr std::uint64_t keptRbx = 0x1111111111111101, keptR12 = 0x1212121212121202, keptR13 = 0x1313131313131303,
                        keptR14 = 0x1414141414141404, keptR15 = 0x1515151515151505;

}  // namespace

// long walk_trampoline(entry, fn, a, b, record): calls entry(fn, a, b).
extern "C" long tessivar_walk_trampoline(void* entry, void* fn, void* a, void* b, TrampolineRecord* record);
asm(R"(
    .pushsection .text
    .globl tessivar_walk_trampoline
    .type tessivar_walk_trampoline, @function
tessivar_walk_trampoline:
    .cfi_startproc
    pushq %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    movq %rsp, %rbp
    .cfi_def_cfa_register %rbp
    pushq %rbx
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    .cfi_offset %rbx, -24
    .cfi_offset %r12, -32
    .cfi_offset %r13, -40
    .cfi_offset %r14, -48
    .cfi_offset %r15, -56
    subq $8, %rsp
    leaq 1f(%rip), %rax
    movq %rax, 0(%r8)
    movq %rbp, 8(%r8)
    movq %rsp, 16(%r8)
    movq %rdi, %rax
    movq %rsi, %rdi
    movq %rdx, %rsi
    movq %rcx, %rdx
    movabsq $0x1111111111111101, %rbx
    movabsq $0x1212121212121202, %r12
    movabsq $0x1313131313131303, %r13
    movabsq $0x1414141414141404, %r14
    movabsq $0x1515151515151505, %r15
    callq *%rax
1:
    addq $8, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    popq %rbp
    .cfi_def_cfa %rsp, 8
    retq
    .cfi_endproc
    .size tessivar_walk_trampoline, .-tessivar_walk_trampoline
    .popsection
)");

namespace {

// libwalk.dylib loaded at a slide with its code executable, in an image list of its own.
class WalkFixture : public ::testing::Test {
protected:
    WalkFixture() : loaded_(readFixture("libwalk.dylib"), headersAnswer("libwalk.dylib"), false) {
        const std::uint64_t textSize = headersAnswer("libwalk.dylib").segment("__TEXT").number("vmsize");
        executable_ = loaded_.loaded() &&
                      mprotect(reinterpret_cast<void*>(loaded_.header()), textSize, PROT_READ | PROT_EXEC) == 0;
        zzcrash_async_image_list_init(&list_, ZZCRASH_TASK_SELF, &zzcrash_async_macho_image_format);
        appended_ = zzcrash_async_image_list_append(&list_, loaded_.header(), "libwalk.dylib") == ZZCRASH_ESUCCESS;
    }
    ~WalkFixture() override { zzcrash_async_image_list_free(&list_); }

    std::uint64_t symbol(const char* name) const { return nmSymbol("libwalk.dylib", name).value + loaded_.slide(); }
    // Runs the chain from walk_framed down to a capture of the thread state, which `walk` walks.
    TrampolineRecord run(struct Walk* walk) const;

    LoadedFixture loaded_;
    bool executable_ = false;
    bool appended_ = false;
    zzcrash_async_image_list list_{};
};

struct Walk {
    zzcrash_async_image_list* list;
    // The readers of each step after the first; empty: cursor_next.
    std::vector<std::vector<zzcrash_async_frame_reader>> readers;
    std::vector<zzcrash_async_thread_state> frames;
    std::vector<zzcrash_async_frame_error> results;
};

zzcrash_error_t walkFromHere(zzcrash_async_thread_state* state, void* context) {
    auto* walk = static_cast<Walk*>(context);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, state, walk->list);
    walk->results.push_back(zzcrash_async_frame_cursor_next(&cursor));
    walk->frames.push_back(cursor.frame);
    for (const auto& readers : walk->readers) {
        const zzcrash_async_frame_error result =
            readers.empty()
                ? zzcrash_async_frame_cursor_next(&cursor)
                : zzcrash_async_frame_cursor_step(&cursor, readers.data(), static_cast<std::uint32_t>(readers.size()));
        walk->results.push_back(result);
        if (result == ZZCRASH_FRAME_ESUCCESS) walk->frames.push_back(cursor.frame);
    }
    zzcrash_async_frame_cursor_free(&cursor);
    return ZZCRASH_ESUCCESS;
}

TrampolineRecord WalkFixture::run(Walk* walk) const {
    TrampolineRecord record{};
    tessivar_walk_trampoline(reinterpret_cast<void*>(symbol("_walk_framed")),
                             reinterpret_cast<void*>(zzcrash_async_thread_state_current),
                             reinterpret_cast<void*>(walkFromHere), walk, &record);
    return record;
}

std::uint64_t regOrMarker(const zzcrash_async_thread_state& state, std::uint32_t index) {
    return zzcrash_async_thread_state_has_reg(&state, index) ? zzcrash_async_thread_state_get_reg(&state, index)
                                                             : 0xbad0000000000000;
}

TEST_F(WalkFixture, EachFrameByTheReaderItsEncodingNeeds) {
    ASSERT_TRUE(executable_ && appended_);
    const zzcrash_async_frame_reader compact = zzcrash_async_frame_read_compact_unwind;
    const zzcrash_async_frame_reader dwarf = zzcrash_async_frame_read_dwarf;
    // The DWARF-only function cannot be unwound by its compact encoding;
    // each other function only by its own.
    Walk walk{&list_, {{compact}, {dwarf}, {compact}, {compact}, {compact}}, {}, {}};
    const TrampolineRecord record = run(&walk);
    const std::vector<zzcrash_async_frame_error> expected = {ZZCRASH_FRAME_ESUCCESS, ZZCRASH_FRAME_ENOFRAME,
                                                             ZZCRASH_FRAME_ESUCCESS, ZZCRASH_FRAME_ESUCCESS,
                                                             ZZCRASH_FRAME_ESUCCESS, ZZCRASH_FRAME_ESUCCESS};
    ASSERT_EQ(walk.results, expected);
    ASSERT_EQ(walk.frames.size(), 5u);
    // Each return address lies in the function that made the call (the
    // linker laid them out as framed, large, small, DWARF-only; the last is
    // 0x18 bytes long).
    const std::uint64_t starts[] = {symbol("_walk_dwarf_only"), symbol("_walk_frameless_large"),
                                    symbol("_walk_frameless_small"), symbol("_walk_framed")};
    const std::uint64_t ends[] = {symbol("_walk_dwarf_only") + 0x18, symbol("_walk_frameless_small"),
                                  symbol("_walk_dwarf_only"), symbol("_walk_frameless_large")};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint64_t pc = regOrMarker(walk.frames[i], ZZCRASH_X86_64_RIP);
        EXPECT_GT(pc, starts[i]) << i;
        EXPECT_LT(pc, ends[i]) << i;
    }
    const zzcrash_async_thread_state& trampoline = walk.frames[4];
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_RIP), record.returnAddress);
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_RBP), record.framePointer);
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_RSP), record.stackPointer);
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_RBX), keptRbx);
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_R12), keptR12);
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_R13), keptR13);
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_R14), keptR14);
    EXPECT_EQ(regOrMarker(trampoline, ZZCRASH_X86_64_R15), keptR15);
}

// The default readers find the same frames on their own, and past the
// fixture (the trampoline is in no image of the list) only the frame-pointer
// chain goes on.
TEST_F(WalkFixture, DefaultReadersReachTheTrampoline) {
    ASSERT_TRUE(executable_ && appended_);
    Walk walk{&list_, {{}, {}, {}, {}}, {}, {}};
    const TrampolineRecord record = run(&walk);
    ASSERT_EQ(walk.frames.size(), 5u);
    EXPECT_EQ(regOrMarker(walk.frames[4], ZZCRASH_X86_64_RIP), record.returnAddress);
    EXPECT_EQ(regOrMarker(walk.frames[4], ZZCRASH_X86_64_RBX), keptRbx);
    EXPECT_EQ(regOrMarker(walk.frames[4], ZZCRASH_X86_64_R15), keptR15);
}

// The frame-pointer chain alone skips the frameless functions: from the
// bottom, rbp is still walk_framed's, whose caller is the trampoline.
TEST_F(WalkFixture, FramePointerChainSkipsFramelessFunctions) {
    ASSERT_TRUE(executable_ && appended_);
    Walk walk{&list_, {{zzcrash_async_frame_read_frame_pointer}}, {}, {}};
    const TrampolineRecord record = run(&walk);
    ASSERT_EQ(walk.frames.size(), 2u);
    EXPECT_EQ(regOrMarker(walk.frames[1], ZZCRASH_X86_64_RIP), record.returnAddress);
    EXPECT_EQ(regOrMarker(walk.frames[1], ZZCRASH_X86_64_RBP), record.framePointer);
    EXPECT_FALSE(zzcrash_async_thread_state_has_reg(&walk.frames[1], ZZCRASH_X86_64_RSP));
}

}  // namespace
