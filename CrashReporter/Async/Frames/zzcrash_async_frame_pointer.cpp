// The frame-pointer frame reader: the last resort, for code without unwind
// tables that keeps a frame-pointer chain.
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"

zzcrash_async_frame_error zzcrash_async_frame_read_frame_pointer(zzcrash_async_frame_cursor* cursor,
                                                                 zzcrash_async_frame_unwound* caller) {
    const zzcrash_async_thread_state* frame = &cursor->frame;
    if (!zzcrash_async_thread_state_has_reg(frame, ZZCRASH_REG_FP)) return ZZCRASH_FRAME_EBADFRAME;
    const std::uint64_t fp = zzcrash_async_thread_state_get_reg(frame, ZZCRASH_REG_FP);
    if (fp == 0) return ZZCRASH_FRAME_ENOFRAME;
    // Each caller's frame lies further up a stack that grows down (and down
    // one that grows up): a chain that turns back is corrupt, and following
    // it could go round for ever.
    const zzcrash_async_thread_state* previous = cursor->depth > 1 ? &cursor->prev_frame : nullptr;
    if (previous && zzcrash_async_thread_state_has_reg(previous, ZZCRASH_REG_FP)) {
        const std::uint64_t previousFp = zzcrash_async_thread_state_get_reg(previous, ZZCRASH_REG_FP);
        const bool down = zzcrash_async_thread_state_stack_growth(frame) == 2;
        if (down ? fp < previousFp : fp > previousFp) return ZZCRASH_FRAME_EBADFRAME;
    }
    const std::uint64_t width = zzcrash_async_thread_state_register_width(frame);
    std::uint64_t words[2] = {};
    if (zzcrash_async_memory_window_read(&cursor->memory, &zzcrash_async_byteorder_direct, fp, 0, width, &words[0]) !=
            ZZCRASH_ESUCCESS ||
        zzcrash_async_memory_window_read(&cursor->memory, &zzcrash_async_byteorder_direct, fp,
                                         static_cast<std::int64_t>(width), width, &words[1]) != ZZCRASH_ESUCCESS)
        return ZZCRASH_FRAME_EBADFRAME;
    // A record that names itself as its caller's gives this frame back for
    // ever: the chain has to move up.
    if (words[0] == fp && words[1] == zzcrash_async_thread_state_get_reg(frame, ZZCRASH_REG_IP))
        return ZZCRASH_FRAME_EBADFRAME;
    caller->state = *frame;
    zzcrash_async_thread_state_clear_all(&caller->state);
    zzcrash_async_thread_state_set_reg(&caller->state, ZZCRASH_REG_FP, words[0]);
    zzcrash_async_thread_state_set_reg(&caller->state, ZZCRASH_REG_IP, words[1]);
    caller->pc_exact = false;
    return ZZCRASH_FRAME_ESUCCESS;
}
