// The crash-time half of the writer: the whole report in one pass over the
// process, in the field order the log has always had (9, 1, 8, 2, 7, the
// threads, the images, 5, 6, 10).
#include <ctime>

#include "CrashReporter/Platform/zzcrash_memory_read.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "CrashReporter/Writer/Private/zzcrash_crash_info.h"
#include "CrashReporter/Writer/Private/zzcrash_log_image.h"
#include "CrashReporter/Writer/Private/zzcrash_log_sections.h"
#include "CrashReporter/Writer/ZZCrashLogWriter.h"
#include "CrashReporter/zzcrash_log_bound.h"

namespace {

constexpr char fileMagic[] = {'z', 'z', 'c', 'r', 'a', 's', 'h'};
constexpr std::uint8_t fileVersion = 1;

// The process's threads, all but the calling one asked to stop as it is
// made; each is waited for on its own, just before its stack is walked.
// They go on at its end, unless the writer holds them for its caller.
class StoppedThreads {
public:
    StoppedThreads(zzcrash_thread_list* threads, bool hold, bool* held) : threads_(threads), hold_(hold), held_(held) {
        if (!zzcrash_thread_list_read(threads)) threads->count = 0;
        requested_ = zzcrash_threads_request_stop(threads, zzcrash_thread_self(), ZZCRASH_THREAD_STOP_TIMEOUT_MS) >= 0;
    }
    ~StoppedThreads() {
        if (!requested_) return;
        if (hold_)
            *held_ = true;
        else
            zzcrash_threads_resume();
    }
    StoppedThreads(const StoppedThreads&) = delete;
    StoppedThreads& operator=(const StoppedThreads&) = delete;

    void await(zzcrash_thread_t thread) const {
        if (requested_) zzcrash_thread_await_stopped(thread);
    }
    const zzcrash_thread_list& list() const { return *threads_; }

private:
    zzcrash_thread_list* threads_;
    bool hold_;
    bool* held_;
    bool requested_ = false;
};

bool listed(const zzcrash_thread_list& list, zzcrash_thread_t thread) {
    for (std::uint32_t i = 0; i < list.count; ++i) {
        if (list.threads[i] == thread) return true;
    }
    return false;
}

std::uint64_t less(std::uint64_t from, std::uint64_t taken) { return from > taken ? from - taken : 0; }

// What a thread takes with no frame: its number and crashed flag, more than
// enough for either.
constexpr std::uint64_t bareThreadBytes = 16;

// The bytes the threads' fields may take, shared out as they are written:
// the crashed thread's whole stack is set aside first, and every other
// thread gets an even share of what is left when its turn comes, a share a
// smaller one leaves unused going to the threads after it.
class ThreadRoom {
public:
    ThreadRoom(std::uint64_t room, std::uint64_t crashedBytes, std::uint32_t others)
        : room_(room), crashed_(crashedBytes), others_(others) {}

    std::uint64_t forOther() const { return less(room_, crashedPending_ ? crashed_ : 0) / (others_ ? others_ : 1); }
    std::uint64_t forCrashed() const { return less(room_, bareThreadBytes * others_); }
    void took(std::uint64_t bytes, bool crashed) {
        room_ = less(room_, bytes);
        if (crashed)
            crashedPending_ = false;
        else if (others_ > 0)
            --others_;
    }

private:
    std::uint64_t room_;
    std::uint64_t crashed_;
    std::uint32_t others_;
    bool crashedPending_ = true;
};

// The crashed thread's stack, walked before any other thread's so that what
// it takes is known before they are shared what is left; null when it is
// not among the threads written.
zzcrash_log_stack* crashedStack(const zzcrash_log_sources& sources, const StoppedThreads& threads,
                                zzcrash_thread_t crashed, bool current) {
    zzcrash_log_writer_scratch* scratch = &sources.writer->scratch;
    if (crashed == zzcrash_thread_self()) return current ? &scratch->current_stack : nullptr;
    if (!listed(threads.list(), crashed)) return nullptr;
    threads.await(crashed);
    zzcrash_log_record_stack(sources, crashed, nullptr, &scratch->crashed_stack);
    return &scratch->crashed_stack;
}

// Each thread's stack is walked and named once, then its section counted and
// written from that record; the calling thread's and the crashed one's were
// walked already. Together the threads take at most `room` bytes.
void writeThreads(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, const StoppedThreads& threads,
                  zzcrash_thread_t crashed, bool current, std::uint64_t room) {
    zzcrash_log_writer_scratch* scratch = &sources.writer->scratch;
    const zzcrash_thread_t self = zzcrash_thread_self();
    const std::uint32_t listedCount = threads.list().count;
    zzcrash_log_stack* crashedOne = crashedStack(sources, threads, crashed, current);
    const std::uint32_t written = listedCount - (current || !listed(threads.list(), self) ? 0 : 1);
    ThreadRoom shares(room, crashedOne ? zzcrash_log_thread_size(sources, listedCount, true, *crashedOne) : 0,
                      written - (crashedOne ? 1 : 0));
    std::uint32_t number = 0;
    for (std::uint32_t i = 0; i < listedCount; ++i) {
        const zzcrash_thread_t thread = threads.list().threads[i];
        if (thread == self && !current) continue;
        const bool isCrashed = thread == crashed;
        zzcrash_log_stack* stack = thread == self ? &scratch->current_stack : &scratch->stack;
        if (isCrashed && crashedOne) stack = crashedOne;
        if (stack == &scratch->stack) {
            threads.await(thread);
            zzcrash_log_record_stack(sources, thread, nullptr, stack);
        }
        const std::uint64_t share = isCrashed ? shares.forCrashed() : shares.forOther();
        shares.took(zzcrash_log_trim_stack(sources, number, isCrashed, stack, share), isCrashed);
        out.messageField(3, [&](zzcrash_log_encoder& entry) {
            return zzcrash_log_write_thread(entry, sources, number, isCrashed, *stack);
        });
        ++number;
    }
}

bool searchCrashInfo(const zzcrash_async_image_list* images, const zzcrash_async_image* image, char* message) {
    const zzcrash_async_macho_image* macho = zzcrash_log_image(images, image).macho();
    return macho && zzcrash_crash_info_search(macho, message);
}

// The first crash message an image holds: the image of the faulting address
// is searched before the others, which follow in list order.
void findCrashInfo(zzcrash_async_image_list* images, const zzcrash_log_signal_info* signal, char* message) {
    zzcrash_async_image_list_mark_reading(images, true);
    bool found = false;
    const std::uint64_t faultAddress = signal->bsd_info ? signal->bsd_info->address : 0;
    if (faultAddress != 0) {
        if (const zzcrash_async_image* image = zzcrash_async_image_containing_address(images, faultAddress))
            found = searchCrashInfo(images, image, message);
    }
    for (zzcrash_async_image* image = zzcrash_async_image_list_next(images, nullptr); image && !found;
         image = zzcrash_async_image_list_next(images, image))
        found = searchCrashInfo(images, image, message);
    zzcrash_async_image_list_mark_reading(images, false);
}

std::size_t writeImages(zzcrash_log_encoder& out, zzcrash_async_image_list* images) {
    std::size_t size = 0;
    zzcrash_async_image_list_mark_reading(images, true);
    for (zzcrash_async_image* image = zzcrash_async_image_list_next(images, nullptr); image;
         image = zzcrash_async_image_list_next(images, image))
        size += out.messageField(
            4, [&](zzcrash_log_encoder& entry) { return zzcrash_log_write_image(entry, images, image); });
    zzcrash_async_image_list_mark_reading(images, false);
    return size;
}

std::size_t writeCustomData(zzcrash_log_encoder& out, zzcrash_log_writer* writer) {
    writer->custom_data_readers.fetch_add(1, std::memory_order_seq_cst);
    const zzcrash_log_custom_data* data = writer->custom_data.load(std::memory_order_seq_cst);
    const std::size_t size = data ? out.bytesField(10, data->bytes, data->length) : 0;
    writer->custom_data_readers.fetch_sub(1, std::memory_order_seq_cst);
    return size;
}

// What the sections after the threads will take: the images, the exception,
// the signal with its crash message, the custom data.
std::uint64_t sectionsAfterThreads(const zzcrash_log_sources& sources, const zzcrash_log_signal_info* signal,
                                   const char* message) {
    zzcrash_log_encoder counter(nullptr);
    zzcrash_log_writer* writer = sources.writer;
    std::uint64_t size = writeImages(counter, sources.images) + writeCustomData(counter, writer);
    if (writer->uncaught_exception.has_exception.load(std::memory_order_seq_cst))
        size += counter.messageField(
            5, [&sources](zzcrash_log_encoder& section) { return zzcrash_log_write_exception(section, sources); });
    return size + counter.messageField(6, [signal, message](zzcrash_log_encoder& section) {
        return zzcrash_log_write_signal(section, signal, message);
    });
}

std::int64_t now() {
    const std::time_t seconds = std::time(nullptr);
    return seconds == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(seconds);
}

}  // namespace

zzcrash_error_t zzcrash_log_writer_write(zzcrash_log_writer* writer, zzcrash_thread_t crashed_thread,
                                         zzcrash_async_image_list* image_list, zzcrash_async_file* file,
                                         const zzcrash_log_signal_info* signal_info,
                                         const zzcrash_async_thread_state* current_state) {
    zzcrash_memory_read_refresh_process();
    zzcrash_log_writer_scratch* scratch = &writer->scratch;
    const StoppedThreads threads(&scratch->threads, writer->holds_stopped_threads, &scratch->threads_held);
    zzcrash_async_unwind_cache_init(&scratch->unwind_cache);
    zzcrash_async_symbolication_cache_init(&scratch->symbolication_cache);
    scratch->symbol_memo.valid = false;
    for (auto& entry : scratch->symbol_cache.entries) entry.used = false;
    scratch->symbol_cache.names_used = 0;
    const zzcrash_log_sources sources{writer, image_list};
    // The calling thread's stack, the first walked and so the one that finds
    // the caches empty, is walked while the other threads are being
    // scheduled to answer the stop: waiting for them first left the writer
    // idle for as long again.
    if (current_state) zzcrash_log_record_stack(sources, zzcrash_thread_self(), current_state, &scratch->current_stack);

    zzcrash_log_encoder out(file);
    std::uint64_t before = out.raw(fileMagic, sizeof fileMagic);
    before += out.raw(&fileVersion, 1);
    before += out.messageField(
        9, [writer](zzcrash_log_encoder& section) { return zzcrash_log_write_report_info(section, writer); });
    const std::int64_t timestamp = now();
    before += out.messageField(
        1, [&](zzcrash_log_encoder& section) { return zzcrash_log_write_system_info(section, writer, timestamp); });
    before += out.messageField(
        8, [writer](zzcrash_log_encoder& section) { return zzcrash_log_write_machine_info(section, writer); });
    before += out.messageField(
        2, [writer](zzcrash_log_encoder& section) { return zzcrash_log_write_application_info(section, writer); });
    before += out.messageField(
        7, [writer](zzcrash_log_encoder& section) { return zzcrash_log_write_process_info(section, writer); });
    const std::uint64_t bound =
        file->limit != 0 && file->limit < ZZCRASH_LOG_MAX_BYTES ? file->limit : ZZCRASH_LOG_MAX_BYTES;
    char message[ZZCRASH_CRASH_INFO_MESSAGE_MAX + 1] = {};
    findCrashInfo(image_list, signal_info, message);
    const std::uint64_t room = less(bound, before + sectionsAfterThreads(sources, signal_info, message));
    writeThreads(out, sources, threads, crashed_thread, current_state != nullptr, room);
    writeImages(out, image_list);
    if (writer->uncaught_exception.has_exception.load(std::memory_order_seq_cst))
        out.messageField(
            5, [&sources](zzcrash_log_encoder& section) { return zzcrash_log_write_exception(section, sources); });
    out.messageField(
        6, [&](zzcrash_log_encoder& section) { return zzcrash_log_write_signal(section, signal_info, message); });
    writeCustomData(out, writer);
    zzcrash_async_symbolication_cache_free(&scratch->symbolication_cache);
    return out.failed() ? ZZCRASH_OUTPUT_ERR : ZZCRASH_ESUCCESS;
}

void zzcrash_log_writer_release_threads(zzcrash_log_writer* writer) {
    if (!writer->scratch.threads_held) return;
    writer->scratch.threads_held = false;
    zzcrash_threads_resume();
}

void zzcrash_log_writer_release_thread(zzcrash_log_writer* writer, zzcrash_thread_t thread) {
    if (writer->scratch.threads_held) zzcrash_threads_resume_one(thread);
}
