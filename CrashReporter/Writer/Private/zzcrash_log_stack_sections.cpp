// Stack frames, threads and images: the sections that read the process.
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Writer/Private/zzcrash_log_image.h"
#include "CrashReporter/Writer/Private/zzcrash_log_sections.h"

namespace {

void remember(std::uint64_t start, const char* name, void* memo) {
    auto* remembered = static_cast<zzcrash_log_symbol_memo*>(memo);
    std::size_t length = 0;
    for (; name[length] != '\0' && length < ZZCRASH_LOG_SYMBOL_NAME_MAX; ++length)
        remembered->name[length] = name[length];
    remembered->name[length] = '\0';
    remembered->start = start;
}

// The symbol of `pc` in `image`, looked up unless it was the last one asked for.
const zzcrash_log_symbol_memo& symbolOf(const zzcrash_log_sources& sources, const zzcrash_log_image& image,
                                        std::uint64_t pc) {
    zzcrash_log_writer* writer = sources.writer;
    zzcrash_log_writer_scratch* scratch = &writer->scratch;
    zzcrash_log_symbol_memo& memo = scratch->symbol_memo;
    if (memo.valid && memo.pc == pc) return memo;
    memo.valid = true;
    memo.pc = pc;
    memo.found = image.symbolAt(writer->symbolication_strategy, &scratch->symbolication_cache,
                                &scratch->unwind_cache.pages, pc, remember, &memo) == ZZCRASH_ESUCCESS;
    return memo;
}

// Field 6 of a frame: the symbol's name and start.
std::size_t symbolField(zzcrash_log_encoder& out, const char* name, std::size_t length, std::uint64_t start) {
    return out.messageField(6, [=](zzcrash_log_encoder& fields) {
        return fields.bytesField(1, name, length) + fields.uint64Field(2, start);
    });
}

std::size_t textLength(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') ++length;
    return length;
}

// The pc a return address is looked up at: one byte back, inside its call (a
// call that ends its function, to abort say, returns to the first byte of the
// next function).
std::uint64_t lookupPc(std::uint64_t pc, bool returnAddress) { return returnAddress && pc > 0 ? pc - 1 : pc; }

// Calls `found` with the symbol holding the pc, when the writer's strategy
// names frames and one is found.
template <class Found>
void withSymbol(const zzcrash_log_sources& sources, std::uint64_t pc, bool returnAddress, Found&& found) {
    if (sources.writer->symbolication_strategy == 0) return;
    const std::uint64_t inside = lookupPc(pc, returnAddress);
    zzcrash_async_image_list_mark_reading(sources.images, true);
    if (const zzcrash_async_image* image = zzcrash_async_image_containing_address(sources.images, inside)) {
        const zzcrash_log_symbol_memo& symbol = symbolOf(sources, zzcrash_log_image(sources.images, image), inside);
        if (symbol.found) found(symbol);
    }
    zzcrash_async_image_list_mark_reading(sources.images, false);
}

std::size_t lookedUpSymbolField(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, std::uint64_t pc,
                                bool returnAddress) {
    std::size_t size = 0;
    withSymbol(sources, pc, returnAddress, [&out, &size](const zzcrash_log_symbol_memo& symbol) {
        size = symbolField(out, symbol.name, textLength(symbol.name), symbol.start);
    });
    return size;
}

std::size_t registers(zzcrash_log_encoder& out, const zzcrash_async_thread_state* state) {
    std::size_t size = 0;
    for (std::uint32_t i = 0; i < zzcrash_async_thread_state_register_count(state); ++i) {
        const std::uint64_t value =
            zzcrash_async_thread_state_has_reg(state, i) ? zzcrash_async_thread_state_get_reg(state, i) : 0;
        const char* name = zzcrash_async_thread_state_register_name(state, i);
        size += out.messageField(4, [name, value](zzcrash_log_encoder& entry) {
            return entry.stringField(1, name) + entry.uint64Field(2, value);
        });
    }
    return size;
}

bool startCursor(zzcrash_async_frame_cursor* cursor, const zzcrash_log_sources& sources, zzcrash_thread_t thread,
                 const zzcrash_async_thread_state* state) {
    if (state)
        zzcrash_async_frame_cursor_init(cursor, ZZCRASH_TASK_SELF, state, sources.images);
    else if (zzcrash_async_frame_cursor_init_thread(cursor, ZZCRASH_TASK_SELF, thread, sources.images) !=
             ZZCRASH_ESUCCESS)
        return false;
    zzcrash_log_writer_scratch* scratch = &sources.writer->scratch;
    zzcrash_async_frame_cursor_set_memory_buffer(cursor, scratch->stack_window, sizeof scratch->stack_window);
    zzcrash_async_frame_cursor_set_cache(cursor, &scratch->unwind_cache);
    return true;
}

// The slot of the pc in the write's symbol cache: where it is kept, else a
// free one of its run, else null.
zzcrash_log_symbol_cache_entry* cacheSlot(zzcrash_log_symbol_cache* cache, std::uint64_t pc) {
    constexpr std::size_t probes = 8;
    const auto home = static_cast<std::size_t>((pc * 0x9e3779b97f4a7c15ull) >> 55);
    for (std::size_t probe = 0; probe < probes; ++probe) {
        zzcrash_log_symbol_cache_entry* entry = &cache->entries[(home + probe) % ZZCRASH_LOG_SYMBOL_CACHE_ENTRIES];
        if (!entry->used || entry->pc == pc) return entry;
    }
    return nullptr;
}

// The name, into the cache's names while they have room.
zzcrash_log_symbol keptSymbol(zzcrash_log_symbol_cache* cache, const zzcrash_log_symbol_memo& memo) {
    const std::size_t length = textLength(memo.name);
    zzcrash_log_symbol symbol{true, memo.start, ZZCRASH_LOG_NAME_NOT_KEPT, static_cast<std::uint32_t>(length)};
    if (length > ZZCRASH_LOG_SYMBOL_NAME_BYTES - cache->names_used) return symbol;
    for (std::size_t i = 0; i < length; ++i) cache->names[cache->names_used + i] = memo.name[i];
    symbol.name_offset = cache->names_used;
    cache->names_used += static_cast<std::uint32_t>(length);
    return symbol;
}

// The symbol of a frame: from the write's cache, or looked up and kept there.
zzcrash_log_symbol frameSymbol(const zzcrash_log_sources& sources, std::uint64_t pc, bool returnAddress) {
    zzcrash_log_symbol_cache* cache = &sources.writer->scratch.symbol_cache;
    zzcrash_log_symbol_cache_entry* slot = cacheSlot(cache, lookupPc(pc, returnAddress));
    if (slot && slot->used) return slot->symbol;
    zzcrash_log_symbol symbol{false, 0, ZZCRASH_LOG_NAME_NOT_KEPT, 0};
    withSymbol(sources, pc, returnAddress,
               [&](const zzcrash_log_symbol_memo& memo) { symbol = keptSymbol(cache, memo); });
    if (slot) *slot = {true, lookupPc(pc, returnAddress), symbol};
    return symbol;
}

void recordFrame(const zzcrash_log_sources& sources, zzcrash_log_stack* stack, std::uint64_t pc, bool returnAddress) {
    zzcrash_log_stack_frame* frame = &stack->frames[stack->count++];
    frame->pc = pc;
    frame->return_address = returnAddress;
    frame->symbol = frameSymbol(sources, pc, returnAddress);
}

std::size_t recordedFrame(zzcrash_log_encoder& out, const zzcrash_log_sources& sources,
                          const zzcrash_log_stack_frame& frame) {
    std::size_t size = out.uint64Field(3, frame.pc);
    const zzcrash_log_symbol& symbol = frame.symbol;
    if (!symbol.found) return size;
    if (symbol.name_offset != ZZCRASH_LOG_NAME_NOT_KEPT)
        return size + symbolField(out, sources.writer->scratch.symbol_cache.names + symbol.name_offset,
                                  symbol.name_length, symbol.start);
    return size + lookedUpSymbolField(out, sources, frame.pc, frame.return_address);
}

}  // namespace

std::size_t zzcrash_log_write_frame(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, std::uint64_t pc,
                                    bool return_address) {
    return out.uint64Field(3, pc) + lookedUpSymbolField(out, sources, pc, return_address);
}

void zzcrash_log_record_stack(const zzcrash_log_sources& sources, zzcrash_thread_t thread,
                              const zzcrash_async_thread_state* state, zzcrash_log_stack* stack) {
    stack->walked = false;
    stack->count = 0;
    zzcrash_async_frame_cursor cursor;
    if (!startCursor(&cursor, sources, thread, state)) return;
    stack->walked = zzcrash_async_frame_cursor_next(&cursor) == ZZCRASH_FRAME_ESUCCESS;
    if (stack->walked) stack->first_frame = cursor.frame;
    for (bool more = stack->walked; more && stack->count < ZZCRASH_LOG_MAX_FRAMES;) {
        std::uint64_t pc = 0;
        if (zzcrash_async_frame_cursor_get_reg(&cursor, ZZCRASH_REG_IP, &pc) != ZZCRASH_FRAME_ESUCCESS) break;
        recordFrame(sources, stack, pc, !cursor.frame_pc_exact);
        more = zzcrash_async_frame_cursor_next(&cursor) == ZZCRASH_FRAME_ESUCCESS;
    }
    zzcrash_async_frame_cursor_free(&cursor);
}

std::size_t zzcrash_log_write_thread(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, std::uint32_t number,
                                     bool crashed, const zzcrash_log_stack& stack) {
    std::size_t size = out.uint64Field(1, number) + out.boolField(3, crashed);
    if (stack.walked && crashed) size += registers(out, &stack.first_frame);
    for (std::uint32_t i = 0; i < stack.count; ++i) {
        size += out.messageField(
            2, [&](zzcrash_log_encoder& frame) { return recordedFrame(frame, sources, stack.frames[i]); });
    }
    return size;
}

std::size_t zzcrash_log_thread_size(const zzcrash_log_sources& sources, std::uint32_t number, bool crashed,
                                    const zzcrash_log_stack& stack) {
    zzcrash_log_encoder counter(nullptr);
    return counter.messageField(3, [&](zzcrash_log_encoder& entry) {
        return zzcrash_log_write_thread(entry, sources, number, crashed, stack);
    });
}

std::size_t zzcrash_log_trim_stack(const zzcrash_log_sources& sources, std::uint32_t number, bool crashed,
                                   zzcrash_log_stack* stack, std::size_t room) {
    // Each frame dropped takes its own field off the count; the lengths
    // around it can only get shorter, so the count stays an upper bound.
    zzcrash_log_encoder counter(nullptr);
    std::size_t size = zzcrash_log_thread_size(sources, number, crashed, *stack);
    if (size <= room) return size;
    while (size > room && stack->count > 0) {
        const zzcrash_log_stack_frame& outermost = stack->frames[--stack->count];
        size -= counter.messageField(
            2, [&](zzcrash_log_encoder& frame) { return recordedFrame(frame, sources, outermost); });
    }
    return zzcrash_log_thread_size(sources, number, crashed, *stack);
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
