#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"

namespace {

// A caller's pc in the first page is no code: the end of the stack.
constexpr std::uint64_t lowestCode = 0x1000;

const zzcrash_async_frame_reader defaultReaders[] = {
    zzcrash_async_frame_read_compact_unwind,
    zzcrash_async_frame_read_dwarf,
    zzcrash_async_frame_read_frame_pointer,
};

}  // namespace

const char* zzcrash_async_frame_error_text(int code) {
    switch (code) {
    case ZZCRASH_FRAME_ESUCCESS: return "No error";
    case ZZCRASH_FRAME_EUNKNOWN: return "Unknown error";
    case ZZCRASH_FRAME_ENOFRAME: return "No frames are available";
    case ZZCRASH_FRAME_EBADFRAME: return "Corrupted frame";
    case ZZCRASH_FRAME_ENOTSUP: return "Operation not supported";
    case ZZCRASH_FRAME_EINVAL: return "Invalid argument";
    case ZZCRASH_FRAME_EINTERNAL: return "Internal error";
    case ZZCRASH_FRAME_EBADREG: return "Invalid register";
    default: return "Unhandled error code";
    }
}

void zzcrash_async_frame_cursor_init(zzcrash_async_frame_cursor* cursor, zzcrash_task_t task,
                                     const zzcrash_async_thread_state* thread_state,
                                     zzcrash_async_image_list* image_list) {
    cursor->task = task;
    cursor->image_list = image_list;
    cursor->depth = 0;
    cursor->frame = *thread_state;
    cursor->prev_frame = *thread_state;
    zzcrash_async_thread_state_clear_all(&cursor->prev_frame);
    cursor->frame_pc_exact = true;
    zzcrash_async_memory_window_init(&cursor->memory, task, nullptr, 0);
    cursor->cache = nullptr;
    cursor->dwarf_section.image = nullptr;
}

zzcrash_error_t zzcrash_async_frame_cursor_init_thread(zzcrash_async_frame_cursor* cursor, zzcrash_task_t task,
                                                       zzcrash_thread_t thread, zzcrash_async_image_list* image_list) {
    zzcrash_async_thread_state state;
    const zzcrash_error_t error = zzcrash_async_thread_state_from_thread(&state, thread);
    if (error != ZZCRASH_ESUCCESS) return error;
    zzcrash_async_frame_cursor_init(cursor, task, &state, image_list);
    return ZZCRASH_ESUCCESS;
}

void zzcrash_async_frame_cursor_set_memory_buffer(zzcrash_async_frame_cursor* cursor, void* buffer,
                                                  std::uint64_t size) {
    zzcrash_async_memory_window_init(&cursor->memory, cursor->task, buffer, size);
}

void zzcrash_async_frame_cursor_set_cache(zzcrash_async_frame_cursor* cursor, zzcrash_async_unwind_cache* cache) {
    cursor->cache = cache;
}

zzcrash_async_frame_error zzcrash_async_frame_cursor_step(zzcrash_async_frame_cursor* cursor,
                                                          const zzcrash_async_frame_reader* readers,
                                                          std::uint32_t count) {
    if (cursor->depth == 0) {
        cursor->depth = 1;
        return ZZCRASH_FRAME_ESUCCESS;
    }
    if (count == 0) return ZZCRASH_FRAME_EINVAL;
    zzcrash_async_frame_unwound caller;
    zzcrash_async_frame_error result = ZZCRASH_FRAME_EUNKNOWN;
    for (std::uint32_t i = 0; i < count; ++i) {
        result = readers[i](cursor, &caller);
        if (result == ZZCRASH_FRAME_ESUCCESS) break;
    }
    if (result != ZZCRASH_FRAME_ESUCCESS) return result;
    if (!zzcrash_async_thread_state_has_reg(&caller.state, ZZCRASH_REG_IP) ||
        zzcrash_async_thread_state_get_reg(&caller.state, ZZCRASH_REG_IP) <= lowestCode)
        return ZZCRASH_FRAME_ENOFRAME;
    cursor->prev_frame = cursor->frame;
    cursor->frame = caller.state;
    cursor->frame_pc_exact = caller.pc_exact;
    ++cursor->depth;
    return ZZCRASH_FRAME_ESUCCESS;
}

zzcrash_async_frame_error zzcrash_async_frame_cursor_next(zzcrash_async_frame_cursor* cursor) {
    return zzcrash_async_frame_cursor_step(cursor, defaultReaders, 3);
}

zzcrash_async_frame_error zzcrash_async_frame_cursor_get_reg(const zzcrash_async_frame_cursor* cursor,
                                                             std::uint32_t index, std::uint64_t* value) {
    if (!zzcrash_async_thread_state_has_reg(&cursor->frame, index)) return ZZCRASH_FRAME_ENOTSUP;
    *value = zzcrash_async_thread_state_get_reg(&cursor->frame, index);
    return ZZCRASH_FRAME_ESUCCESS;
}

const char* zzcrash_async_frame_cursor_get_regname(const zzcrash_async_frame_cursor* cursor, std::uint32_t index) {
    return zzcrash_async_thread_state_register_name(&cursor->frame, index);
}

std::uint32_t zzcrash_async_frame_cursor_get_regcount(const zzcrash_async_frame_cursor* cursor) {
    return zzcrash_async_thread_state_register_count(&cursor->frame);
}

void zzcrash_async_frame_cursor_free(zzcrash_async_frame_cursor* cursor) {
    zzcrash_async_frame_section_release(&cursor->dwarf_section);
}
