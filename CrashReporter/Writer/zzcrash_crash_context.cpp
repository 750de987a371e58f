#include "CrashReporter/Writer/zzcrash_crash_context.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>

#include "CrashReporter/Images/Private/zzcrash_loader_chain.h"
#include "CrashReporter/Platform/zzcrash_stack_switch.h"

zzcrash_crash_context zzcrash_shared_crash_context;

namespace {

// The writer takes about 12 KiB of stack; a handler may be left less than
// that (a nested signal, an alternate stack made small, a thread's own stack
// nearly spent), and a writer that ran off its stack halfway would leave the
// earlier report half overwritten. So the report is written on a stack of
// its own, reserved here; a second write at the same time writes on the
// stack it has, when that one has room.
// A page below it is made inaccessible when the library loads, so that a
// writer running past its bottom faults there instead of writing over what
// lies below.
constexpr std::size_t writerStackNeed = 16 * 1024;
constexpr std::size_t guardBytes = 4096;  // a page on x86-64
constexpr std::size_t writerStackBytes = 64 * 1024;
alignas(guardBytes) unsigned char writerStackMemory[guardBytes + writerStackBytes];
unsigned char* const writerStack = writerStackMemory + guardBytes;
[[maybe_unused]] const bool writerStackGuarded = mprotect(writerStackMemory, guardBytes, PROT_NONE) == 0;
std::atomic_flag writerStackTaken = ATOMIC_FLAG_INIT;

struct ReportWrite {
    zzcrash_crash_context* context;
    zzcrash_thread_t crashed_thread;
    const zzcrash_async_thread_state* current_state;
    const zzcrash_log_signal_info* signal_info;
    zzcrash_error_t result;
};

// The report's own file, never what took its name since the enable cleared
// it: a link is not followed (the file it names would be written over), and
// a FIFO, a device or a file linked under another name too is left alone.
int openReportFile(const char* path) {
    const int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1) return fd;
    close(fd);
    return -1;
}

// What an earlier, longer report left after the end of this one goes, and
// the report is on the disk before the crash handler lets any other thread
// go on (the writer holds them stopped until then).
bool cutToTheWrittenAndSync(int fd) {
    const off_t written = lseek(fd, 0, SEEK_CUR);
    return written >= 0 && ftruncate(fd, written) == 0 && fdatasync(fd) == 0;
}

zzcrash_error_t writeReportHere(zzcrash_crash_context* context, zzcrash_thread_t crashed_thread,
                                const zzcrash_async_thread_state* current_state,
                                const zzcrash_log_signal_info* signal_info) {
    // The report carries the user's identity, event properties and stacks: the
    // user's alone. A report an older version left keeps its mode, so the mode
    // is set again; where the file system cannot, the crash is still worth
    // writing. The file is cut to what was written only at the end: emptied
    // first, a writer that ran out of stack would leave nothing at all.
    const int fd = openReportFile(context->report_path);
    if (fd < 0) return ZZCRASH_EINTERNAL;
    static_cast<void>(fchmod(fd, 0600));
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, fd, context->report_byte_limit);
    zzcrash_log_writer_scratch* scratch = &context->writer.scratch;
    // Nothing is buffered yet, so nothing can fail to go out first.
    (void)zzcrash_async_file_lend_buffer(&file, scratch->output, sizeof scratch->output);
    // Before the stacks are walked: their frames are looked up in the list.
    zzcrash_loader_chain_refresh(context->images);
    const zzcrash_error_t written =
        zzcrash_log_writer_write(&context->writer, crashed_thread, context->images, &file, signal_info, current_state);
    (void)zzcrash_log_writer_close(&context->writer);  // releases nothing that can fail
    const bool flushed = zzcrash_async_file_flush(&file) && cutToTheWrittenAndSync(fd);
    const bool closed = close(fd) == 0;
    if (!flushed || !closed) return ZZCRASH_EINTERNAL;
    return written;
}

void writeReportOnTheWritersStack(void* argument) {
    auto* write = static_cast<ReportWrite*>(argument);
    write->result = writeReportHere(write->context, write->crashed_thread, write->current_state, write->signal_info);
}

}  // namespace

zzcrash_error_t zzcrash_write_report(zzcrash_crash_context* context, zzcrash_thread_t crashed_thread,
                                     const zzcrash_async_thread_state* current_state,
                                     const zzcrash_log_signal_info* signal_info) {
    if (!writerStackTaken.test_and_set(std::memory_order_acquire)) {
        ReportWrite write{context, crashed_thread, current_state, signal_info, ZZCRASH_EUNKNOWN};
        zzcrash_call_on_stack(writeReportOnTheWritersStack, &write, writerStack, writerStackBytes);
        writerStackTaken.clear(std::memory_order_release);
        return write.result;
    }
    // Without room the file is not even opened: the earlier report stays whole.
    if (zzcrash_alternate_stack_room() < writerStackNeed) return ZZCRASH_EINTERNAL;
    return writeReportHere(context, crashed_thread, current_state, signal_info);
}

zzcrash_error_t zzcrash_write_report_callback(zzcrash_async_thread_state* state, void* request) {
    const auto* write = static_cast<const zzcrash_write_report_request*>(request);
    return zzcrash_write_report(write->context, write->crashed_thread, state, write->signal_info);
}
