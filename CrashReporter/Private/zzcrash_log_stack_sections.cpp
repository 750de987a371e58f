// Stack frames, threads and images: the sections that read the process.
#include "CrashReporter/Async/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Private/zzcrash_log_image.h"
#include "CrashReporter/Private/zzcrash_log_sections.h"

namespace {

void remember(std::uint64_t start, const char* name, void* memo) {
    auto* remembered = static_cast<zzcrash_log_symbol_memo*>(memo);
    std::size_t length = 0;
    for (; name[length] != '\0' && length < ZZCRASH_LOG_SYMBOL_NAME_MAX; ++length) remembered->name[length] = name[length];
    remembered->name[length] = '\0';
    remembered->start = start;
}

// The symbol of `pc` in `image`, looked up unless it was the last one asked for.
const zzcrash_log_symbol_memo& symbolOf(const zzcrash_log_sources& sources, const zzcrash_log_image& image,
                                        std::uint64_t pc) {
    zzcrash_log_writer* writer = sources.writer;
    zzcrash_log_symbol_memo& memo = writer->scratch.symbol_memo;
    if (memo.valid && memo.pc == pc) return memo;
    memo.valid = true;
    memo.pc = pc;
    memo.found = image.symbolAt(writer->symbolication_strategy, &writer->scratch.symbolication_cache, pc, remember,
                                &memo) == ZZCRASH_ESUCCESS;
    return memo;
}

// The symbol of `pc` in `image` as field 6 of a frame; nothing when none is found.
std::size_t symbolField(zzcrash_log_encoder& out, const zzcrash_log_sources& sources,
                        const zzcrash_log_image& image, std::uint64_t pc) {
    const zzcrash_log_symbol_memo& symbol = symbolOf(sources, image, pc);
    if (!symbol.found) return 0;
    return out.messageField(6, [&symbol](zzcrash_log_encoder& fields) {
        return fields.stringField(1, symbol.name) + fields.uint64Field(2, symbol.start);
    });
}

std::size_t registers(zzcrash_log_encoder& out, const zzcrash_async_frame_cursor* cursor) {
    std::size_t size = 0;
    for (std::uint32_t i = 0; i < zzcrash_async_frame_cursor_get_regcount(cursor); ++i) {
        std::uint64_t value = 0;
        if (zzcrash_async_frame_cursor_get_reg(cursor, i, &value) != ZZCRASH_FRAME_ESUCCESS) value = 0;
        const char* name = zzcrash_async_frame_cursor_get_regname(cursor, i);
        size += out.messageField(4, [name, value](zzcrash_log_encoder& entry) {
            return entry.stringField(1, name) + entry.uint64Field(2, value);
        });
    }
    return size;
}

bool startCursor(zzcrash_async_frame_cursor* cursor, const zzcrash_log_sources& sources, zzcrash_thread_t thread,
                 const zzcrash_async_thread_state* state) {
    if (state) zzcrash_async_frame_cursor_init(cursor, ZZCRASH_TASK_SELF, state, sources.images);
    else if (zzcrash_async_frame_cursor_init_thread(cursor, ZZCRASH_TASK_SELF, thread, sources.images) != ZZCRASH_ESUCCESS)
        return false;
    zzcrash_log_writer_scratch* scratch = &sources.writer->scratch;
    zzcrash_async_frame_cursor_set_memory_buffer(cursor, scratch->stack_window, sizeof scratch->stack_window);
    zzcrash_async_frame_cursor_set_cache(cursor, &scratch->unwind_cache);
    return true;
}

std::size_t frames(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, zzcrash_async_frame_cursor* cursor,
                   bool crashed) {
    std::size_t size = 0;
    for (std::uint32_t index = 0; index < ZZCRASH_LOG_MAX_FRAMES; ++index) {
        if (index == 0 && crashed) size += registers(out, cursor);
        std::uint64_t pc = 0;
        if (zzcrash_async_frame_cursor_get_reg(cursor, ZZCRASH_REG_IP, &pc) != ZZCRASH_FRAME_ESUCCESS) break;
        const bool returnAddress = !cursor->frame_pc_exact;
        size += out.messageField(2, [&](zzcrash_log_encoder& frame) {
            return zzcrash_log_write_frame(frame, sources, pc, returnAddress);
        });
        if (zzcrash_async_frame_cursor_next(cursor) != ZZCRASH_FRAME_ESUCCESS) break;
    }
    return size;
}

}  // namespace

std::size_t zzcrash_log_write_frame(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, std::uint64_t pc,
                                    bool return_address) {
    std::size_t size = out.uint64Field(3, pc);
    if (sources.writer->symbolication_strategy == 0) return size;
    const std::uint64_t inside = return_address && pc > 0 ? pc - 1 : pc;
    zzcrash_async_image_list_mark_reading(sources.images, true);
    if (const zzcrash_async_image* image = zzcrash_async_image_containing_address(sources.images, inside))
        size += symbolField(out, sources, zzcrash_log_image(sources.images, image), inside);
    zzcrash_async_image_list_mark_reading(sources.images, false);
    return size;
}

std::size_t zzcrash_log_write_thread(zzcrash_log_encoder& out, const zzcrash_log_sources& sources,
                                     zzcrash_thread_t thread, std::uint32_t number, bool crashed,
                                     const zzcrash_async_thread_state* state) {
    std::size_t size = out.uint64Field(1, number) + out.boolField(3, crashed);
    zzcrash_async_frame_cursor cursor;
    if (!startCursor(&cursor, sources, thread, state)) return size;
    if (zzcrash_async_frame_cursor_next(&cursor) == ZZCRASH_FRAME_ESUCCESS) size += frames(out, sources, &cursor, crashed);
    zzcrash_async_frame_cursor_free(&cursor);
    return size;
}

std::size_t zzcrash_log_write_image(zzcrash_log_encoder& out, const zzcrash_async_image_list* images,
                                    const zzcrash_async_image* image) {
    const zzcrash_log_image view(images, image);
    std::size_t size = out.uint64Field(2, image->text_size) + out.uint64Field(1, image->header_address) +
                       out.stringField(3, view.name());
    std::uint8_t uuid[16];
    if (view.uuid(uuid)) size += out.bytesField(4, uuid, sizeof uuid);
    return size + out.messageField(5, [&view](zzcrash_log_encoder& processor) {
        return zzcrash_log_write_processor(processor, view.cpuType(), view.cpuSubtype());
    });
}
