#pragma once
#include <cstdint>

#include "CrashReporter/Async/Frames/zzcrash_async_unwind_cache.h"
#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "CrashReporter/Async/zzcrash_async_memory_window.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"

// The frame walker's own result codes.
enum zzcrash_async_frame_error : int {
    ZZCRASH_FRAME_ESUCCESS = 0,  // a frame was produced
    ZZCRASH_FRAME_EUNKNOWN = 1,
    ZZCRASH_FRAME_ENOFRAME = 2,   // the end of the stack, or a reader found nothing usable
    ZZCRASH_FRAME_EBADFRAME = 3,  // the registers needed are missing or the chain runs the wrong way
    ZZCRASH_FRAME_ENOTSUP = 4,    // no image or no unwind data for the pc; a register the frame does not have
    ZZCRASH_FRAME_EINVAL = 5,     // bad arguments or malformed unwind data
    ZZCRASH_FRAME_EINTERNAL = 6,
    ZZCRASH_FRAME_EBADREG = 7,
};

// "No error", "Unknown error", ...; any other value "Unhandled error code".
const char* zzcrash_async_frame_error_text(int code);

// The unwind section a walk last mapped, kept for the next frames in the
// same image (a stack runs through few images, and mapping copies the section).
struct zzcrash_async_frame_section {
    const zzcrash_async_image* image;  // null: nothing mapped
    zzcrash_async_mobject mobj;
    bool debug_frame;
};
void zzcrash_async_frame_section_release(zzcrash_async_frame_section* section);

// One thread's stack, walked frame by frame from its register state.
struct zzcrash_async_frame_cursor {
    zzcrash_task_t task;
    zzcrash_async_image_list* image_list;
    std::uint32_t depth;  // frames yielded; 0 before the first
    zzcrash_async_thread_state prev_frame;
    zzcrash_async_thread_state frame;
    // Whether the current frame's pc is the instruction it was at (the first
    // frame, or one a signal interrupted) rather than a return address, which
    // follows a call that may be the last instruction of its function.
    bool frame_pc_exact;
    zzcrash_async_memory_window memory;
    zzcrash_async_unwind_cache* cache;  // may be null
    zzcrash_async_frame_section dwarf_section;
};

// What one frame reader produces: the caller's registers.
struct zzcrash_async_frame_unwound {
    zzcrash_async_thread_state state;
    bool pc_exact;  // the caller was interrupted, not calling (a signal frame)
};

// Computes the caller of the cursor's current frame; the frame-walker codes.
using zzcrash_async_frame_reader = zzcrash_async_frame_error (*)(zzcrash_async_frame_cursor* cursor,
                                                                 zzcrash_async_frame_unwound* caller);

// Readers tried in this order by zzcrash_async_frame_cursor_next. Each finds
// the image holding the pc; frames produced by unwinding are looked up at
// pc - 1, inside the call, so that a call that ends its function (a call to
// abort) finds its own function's rules and not the next one's.
// The compact-unwind table of a Mach-O image.
zzcrash_async_frame_error zzcrash_async_frame_read_compact_unwind(zzcrash_async_frame_cursor* cursor,
                                                                  zzcrash_async_frame_unwound* caller);
// DWARF call-frame information: a Mach-O image's __eh_frame (or
// __debug_frame), an ELF image's .eh_frame.
zzcrash_async_frame_error zzcrash_async_frame_read_dwarf(zzcrash_async_frame_cursor* cursor,
                                                         zzcrash_async_frame_unwound* caller);
// The frame-pointer chain: only the pc and frame pointer are known afterwards.
zzcrash_async_frame_error zzcrash_async_frame_read_frame_pointer(zzcrash_async_frame_cursor* cursor,
                                                                 zzcrash_async_frame_unwound* caller);

// Starts at `thread_state`, the first frame. Memory is read with a checked
// copy per read, and nothing is cached, until the two calls below lend a
// buffer and a cache. Cannot fail; allocates nothing.
void zzcrash_async_frame_cursor_init(zzcrash_async_frame_cursor* cursor, zzcrash_task_t task,
                                     const zzcrash_async_thread_state* thread_state,
                                     zzcrash_async_image_list* image_list);
// The same from a stopped thread's registers (error 6 when it is not stopped).
zzcrash_error_t zzcrash_async_frame_cursor_init_thread(zzcrash_async_frame_cursor* cursor, zzcrash_task_t task,
                                                       zzcrash_thread_t thread, zzcrash_async_image_list* image_list);
// Reads the stack through a window of whole pages copied into `buffer`; the
// buffer must outlive the cursor.
void zzcrash_async_frame_cursor_set_memory_buffer(zzcrash_async_frame_cursor* cursor, void* buffer, std::uint64_t size);
// Looks rows up in `cache` first and keeps the rows it works out there.
void zzcrash_async_frame_cursor_set_cache(zzcrash_async_frame_cursor* cursor, zzcrash_async_unwind_cache* cache);

// The first call yields the first frame as it is. Every later call asks the
// readers in order for the caller of the current frame; the first that
// succeeds gives the next frame, which must have a pc above the first page
// (else 2: the end of the stack). When every reader fails the last one's code
// is answered; no readers is 5. Async-signal-safe.
zzcrash_async_frame_error zzcrash_async_frame_cursor_step(zzcrash_async_frame_cursor* cursor,
                                                          const zzcrash_async_frame_reader* readers,
                                                          std::uint32_t count);
// A step with compact unwind, DWARF and the frame pointer, in that order.
zzcrash_async_frame_error zzcrash_async_frame_cursor_next(zzcrash_async_frame_cursor* cursor);

// The current frame's register (4 when it has no value there).
zzcrash_async_frame_error zzcrash_async_frame_cursor_get_reg(const zzcrash_async_frame_cursor* cursor,
                                                             std::uint32_t index, std::uint64_t* value);
const char* zzcrash_async_frame_cursor_get_regname(const zzcrash_async_frame_cursor* cursor, std::uint32_t index);
std::uint32_t zzcrash_async_frame_cursor_get_regcount(const zzcrash_async_frame_cursor* cursor);

// Releases the section the walk kept mapped.
void zzcrash_async_frame_cursor_free(zzcrash_async_frame_cursor* cursor);
