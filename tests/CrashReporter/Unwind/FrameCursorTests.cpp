// The frame walker's steps on made-up stacks: the first frame, the end of a
// walk, the frame-pointer chain in images without unwind tables, and the
// walker's own codes.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"

namespace {

// An image format with no unwind tables at all: each record is the 64 KiB it names.
zzcrash_error_t initBareImage(zzcrash_async_image* image, zzcrash_task_t, const char*, std::uint64_t header) {
    image->header_address = header;
    image->text_size = 0x10000;
    return ZZCRASH_ESUCCESS;
}
void freeBareImage(zzcrash_async_image*) {}
const zzcrash_async_image_format bareFormat{sizeof(zzcrash_async_image), initBareImage, freeBareImage};

constexpr std::uint64_t codeBase = 0x40000000;  // where the bare image is

class BareImage : public ::testing::Test {
protected:
    BareImage() {
        zzcrash_async_image_list_init(&list_, ZZCRASH_TASK_SELF, &bareFormat);
        zzcrash_async_image_list_append(&list_, codeBase, "bare");
        zzcrash_async_thread_state_init(&state_, ZZCRASH_CPU_TYPE_X86_64);
    }
    ~BareImage() override {
        zzcrash_async_frame_cursor_free(&cursor_);
        zzcrash_async_image_list_free(&list_);
    }

    // Frame i's saved frame pointer and return address live at chain_[2i], chain_[2i+1].
    void chain(std::initializer_list<std::uint64_t> returnAddresses) {
        std::size_t i = 0;
        for (std::uint64_t pc : returnAddresses) {
            chain_[2 * i] = reinterpret_cast<std::uint64_t>(&chain_[2 * i + 2]);
            chain_[2 * i + 1] = pc;
            ++i;
        }
        chain_[2 * i] = 0;
        zzcrash_async_thread_state_set_reg(&state_, ZZCRASH_X86_64_RIP, codeBase + 0x10);
        zzcrash_async_thread_state_set_reg(&state_, ZZCRASH_X86_64_RBP, reinterpret_cast<std::uint64_t>(chain_));
        zzcrash_async_thread_state_set_reg(&state_, ZZCRASH_X86_64_RSP, reinterpret_cast<std::uint64_t>(chain_) - 64);
        zzcrash_async_frame_cursor_init(&cursor_, ZZCRASH_TASK_SELF, &state_, &list_);
    }
    std::uint64_t pc() const { return zzcrash_async_thread_state_get_reg(&cursor_.frame, ZZCRASH_REG_IP); }

    zzcrash_async_image_list list_{};
    zzcrash_async_thread_state state_{};
    zzcrash_async_frame_cursor cursor_{};
    std::uint64_t chain_[16] = {};
};

TEST_F(BareImage, TheFirstFrameIsTheStateItself) {
    zzcrash_async_thread_state_set_reg(&state_, ZZCRASH_X86_64_RIP, 0x1234);
    zzcrash_async_thread_state_set_reg(&state_, ZZCRASH_X86_64_RSP, 8);  // nothing could be read there
    zzcrash_async_frame_cursor_init(&cursor_, ZZCRASH_TASK_SELF, &state_, &list_);
    EXPECT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
    EXPECT_EQ(cursor_.depth, 1u);
    EXPECT_EQ(pc(), 0x1234u);
}

// Neither table-driven reader can help in an image without tables; the
// frame-pointer chain can, as far as it goes.
TEST_F(BareImage, FramePointerChainWithoutUnwindTables) {
    chain({codeBase + 0x100, codeBase + 0x200, 0x1001});
    const zzcrash_async_frame_reader compact = zzcrash_async_frame_read_compact_unwind;
    const zzcrash_async_frame_reader dwarf = zzcrash_async_frame_read_dwarf;
    ASSERT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
    EXPECT_EQ(zzcrash_async_frame_cursor_step(&cursor_, &compact, 1), ZZCRASH_FRAME_ENOTSUP);
    EXPECT_EQ(zzcrash_async_frame_cursor_step(&cursor_, &dwarf, 1), ZZCRASH_FRAME_ENOFRAME);
    for (std::uint64_t expected : {codeBase + 0x100, codeBase + 0x200, std::uint64_t{0x1001}}) {
        ASSERT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
        EXPECT_EQ(pc(), expected);
    }
    EXPECT_EQ(cursor_.depth, 4u);
    std::uint64_t value = 0;
    EXPECT_EQ(zzcrash_async_frame_cursor_get_reg(&cursor_, ZZCRASH_X86_64_RBP, &value), ZZCRASH_FRAME_ESUCCESS);
    EXPECT_EQ(value, reinterpret_cast<std::uint64_t>(&chain_[6]));
    EXPECT_EQ(zzcrash_async_frame_cursor_get_reg(&cursor_, ZZCRASH_X86_64_RSP, &value), ZZCRASH_FRAME_ENOTSUP);
    // The chain ends with a frame pointer of 0.
    EXPECT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ENOFRAME);
}

TEST_F(BareImage, ACallerInTheFirstPageEndsTheWalk) {
    for (std::uint64_t caller : {std::uint64_t{0}, std::uint64_t{4096}}) {
        chain({caller});
        ASSERT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
        EXPECT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ENOFRAME) << caller;
        EXPECT_EQ(cursor_.depth, 1u);
    }
}

TEST_F(BareImage, AChainThatTurnsDownTheStackIsCorrupt) {
    chain({codeBase + 0x100, codeBase + 0x200});
    chain_[2] = reinterpret_cast<std::uint64_t>(&chain_[0]) - 64;  // the second frame points below the first
    ASSERT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
    ASSERT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
    ASSERT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
    EXPECT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_EBADFRAME);
}

// A record that names itself as its caller's would yield its frame for
// ever (the writer would record the same frame hundreds of times).
TEST_F(BareImage, AChainThatPointsAtItselfEnds) {
    chain({codeBase + 0x100, codeBase + 0x200});
    chain_[2] = reinterpret_cast<std::uint64_t>(&chain_[2]);
    std::vector<std::uint64_t> pcs;
    zzcrash_async_frame_error end = ZZCRASH_FRAME_ESUCCESS;
    while (pcs.size() < 16 && (end = zzcrash_async_frame_cursor_next(&cursor_)) == ZZCRASH_FRAME_ESUCCESS)
        pcs.push_back(pc());
    EXPECT_EQ(pcs, (std::vector<std::uint64_t>{codeBase + 0x10, codeBase + 0x100, codeBase + 0x200}));
    EXPECT_EQ(end, ZZCRASH_FRAME_EBADFRAME);
}

TEST_F(BareImage, ReadersNeedAPc) {
    chain({codeBase + 0x100});
    ASSERT_EQ(zzcrash_async_frame_cursor_next(&cursor_), ZZCRASH_FRAME_ESUCCESS);
    EXPECT_EQ(zzcrash_async_frame_cursor_step(&cursor_, nullptr, 0), ZZCRASH_FRAME_EINVAL);
    zzcrash_async_thread_state_clear_reg(&cursor_.frame, ZZCRASH_REG_IP);
    EXPECT_EQ(zzcrash_async_frame_read_dwarf(&cursor_, nullptr), ZZCRASH_FRAME_EBADFRAME);
    EXPECT_EQ(zzcrash_async_frame_read_compact_unwind(&cursor_, nullptr), ZZCRASH_FRAME_EBADFRAME);
    zzcrash_async_thread_state_set_reg(&cursor_.frame, ZZCRASH_REG_IP, 0);
    EXPECT_EQ(zzcrash_async_frame_read_dwarf(&cursor_, nullptr), ZZCRASH_FRAME_ENOTSUP);
    zzcrash_async_thread_state_clear_reg(&cursor_.frame, ZZCRASH_REG_FP);
    EXPECT_EQ(zzcrash_async_frame_read_frame_pointer(&cursor_, nullptr), ZZCRASH_FRAME_EBADFRAME);
}

TEST(FrameWalker, ErrorTexts) {
    const char* const texts[] = {"No error",        "Unknown error",           "No frames are available",
                                 "Corrupted frame", "Operation not supported", "Invalid argument",
                                 "Internal error",  "Invalid register",        "Unhandled error code"};
    for (int code = 0; code < 9; ++code) EXPECT_STREQ(zzcrash_async_frame_error_text(code), texts[code]) << code;
    EXPECT_STREQ(zzcrash_async_frame_error_text(-1), "Unhandled error code");
}

}  // namespace
