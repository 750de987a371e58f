// Live reports: a crash log of the running process, written to a scratch
// file and handed out as bytes.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CrashReporter/Exceptions/ZZCrashLanguageException.h"
#include "CrashReporter/Images/Private/zzcrash_shared_image_list.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "CrashReporter/Report/ZZCrashLogFile.h"
#include "CrashReporter/Writer/ZZCrashLogWriter.h"
#include "CrashReporter/ZZCrashReporter.h"

namespace {

struct LiveWrite {
    zzcrash_log_writer* writer;
    zzcrash_thread_t thread;
    zzcrash_async_image_list* images;
    zzcrash_async_file* file;
    const zzcrash_log_signal_info* signal;
};

zzcrash_error_t write(const LiveWrite& live, const zzcrash_async_thread_state* state) {
    return zzcrash_log_writer_write(live.writer, live.thread, live.images, live.file, live.signal, state);
}

zzcrash_error_t writeWithState(zzcrash_async_thread_state* state, void* live) {
    return write(*static_cast<const LiveWrite*>(live), state);
}

std::string temporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && folder[0] != '\0' ? folder : "/tmp";
}

// A writer's record is large (it carries the stack window and unwind rows a
// crash handler works in): it lives on the heap.
struct WriterFree {
    void operator()(zzcrash_log_writer* writer) const {
        zzcrash_log_writer_free(writer);
        delete writer;
    }
};

void deleteFile(const std::string& path) {
    if (unlink(path.c_str()) != 0)
        std::fprintf(stderr, "[ZZCrashReporter] Failure occured deleting live crash report: %s\n",
                     std::strerror(errno));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ZZCrashReporter::generateLiveReportWithThread(
    zzcrash_thread_t thread, const ZZCrashLanguageException* exception, ZZCrashReporterError* error) {
    const auto address = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    std::string path = temporaryFolder() + "/live_crash_report.XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        if (error) *error = zzcrash_make_posix_error("Failed to create temporary path", errno);
        return std::nullopt;
    }
    const std::unique_ptr<zzcrash_log_writer, WriterFree> writer(new zzcrash_log_writer{});
    // Fails only when this process's own facts cannot be read: the report goes without them.
    (void)zzcrash_log_writer_init(writer.get(), applicationIdentifier_.c_str(), applicationVersion_.c_str(),
                                  applicationMarketingVersion_ ? applicationMarketingVersion_->c_str() : nullptr,
                                  mapToAsyncSymbolicationStrategy(config_.symbolicationStrategy()), true);
    if (customData_) zzcrash_log_writer_set_custom_data(writer.get(), customData_->data(), customData_->size());
    if (exception) {
        const zzcrash_log_exception recorded{exception->name.c_str(), exception->reason.c_str(),
                                             exception->callStackReturnAddresses.data(),
                                             exception->callStackReturnAddresses.size()};
        zzcrash_log_writer_set_exception(writer.get(), &recorded);
    }
    zzcrash_thread_stopper_install();
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, fd, config_.maxReportBytes());
    // Nothing is buffered yet, so nothing can fail to go out first.
    (void)zzcrash_async_file_lend_buffer(&file, writer->scratch.output, sizeof writer->scratch.output);
    const zzcrash_log_bsd_signal_info bsd{SIGTRAP, TRAP_TRACE, address};
    const zzcrash_log_signal_info signal{&bsd, nullptr};
    LiveWrite live{writer.get(), thread, zzcrash_shared_image_list(), &file, &signal};
    zzcrash_error_t written = thread == zzcrash_thread_self()
                                  ? zzcrash_async_thread_state_current(writeWithState, &live)
                                  : write(live, nullptr);
    (void)zzcrash_log_writer_close(writer.get());  // releases nothing that can fail
    // Closed exactly once: a close that fails has still released the descriptor,
    // and closing it again could close one another thread has just opened.
    const bool flushed = zzcrash_async_file_flush(&file);
    const bool closed = close(fd) == 0;
    if ((!flushed || !closed) && written == ZZCRASH_ESUCCESS) written = ZZCRASH_OUTPUT_ERR;
    if (written != ZZCRASH_ESUCCESS) {
        std::fprintf(stderr, "[ZZCrashReporter] Write failed with error %s\n", zzcrash_async_error_text(written));
        if (error)
            *error = zzcrash_make_error(ZZCrashReporterError::Code::liveReportFailed,
                                        "Failed to write the crash report to disk");
        deleteFile(path);
        return std::nullopt;
    }
    // Read within the bound every crash log keeps, as any file read whole is.
    ZZCrashReporterError readError(ZZCrashReporterError::Code::liveReportFailed, "");
    auto bytes = ZZCrashLogFile::read(path, &readError);
    if (!bytes && error)
        *error = zzcrash_make_error(ZZCrashReporterError::Code::liveReportFailed,
                                    "Unable to open live crash report for reading");
    deleteFile(path);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ZZCrashReporter::generateLiveReportWithThread(zzcrash_thread_t thread,
                                                                                       ZZCrashReporterError* error) {
    return generateLiveReportWithThread(thread, nullptr, error);
}

std::optional<std::vector<std::uint8_t>> ZZCrashReporter::generateLiveReport(ZZCrashReporterError* error) {
    return generateLiveReportWithThread(zzcrash_thread_self(), nullptr, error);
}

std::optional<std::vector<std::uint8_t>> ZZCrashReporter::generateLiveReportWithException(
    const ZZCrashLanguageException& exception, ZZCrashReporterError* error) {
    return generateLiveReportWithThread(zzcrash_thread_self(), &exception, error);
}
