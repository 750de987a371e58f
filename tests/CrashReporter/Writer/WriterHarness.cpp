#include "tests/CrashReporter/Writer/WriterHarness.h"

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "tests/CrashReporter/Support/AllocationTrap.h"

namespace tessivar::testing {

namespace {

struct WriteRequest {
    zzcrash_log_writer* writer;
    zzcrash_async_image_list* images;
    zzcrash_thread_t crashed;
    const zzcrash_log_signal_info* signal;
    zzcrash_async_file* file;
    WriterHarness::Written* written;
};

zzcrash_error_t writeWith(const zzcrash_async_thread_state* state, WriteRequest* request) {
    AllocationTrap trap;
    request->written->result = zzcrash_log_writer_write(request->writer, request->crashed, request->images,
                                                        request->file, request->signal, state);
    request->written->allocations = trap.calls();
    return request->written->result;
}

zzcrash_error_t writeWithState(zzcrash_async_thread_state* state, void* request) {
    return writeWith(state, static_cast<WriteRequest*>(request));
}

std::vector<std::uint8_t> contentOf(int fd) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)));
    if (!bytes.empty() && pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) bytes.clear();
    return bytes;
}

}  // namespace

WriterHarness::WriterHarness(std::uint32_t strategy, bool userRequested) : writer_(new zzcrash_log_writer{}) {
    zzcrash_thread_stopper_install();
    zzcrash_async_image_list_init(&images_, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    zzcrash_elf_image_list_refresh(&images_);
    EXPECT_EQ(zzcrash_log_writer_init(writer_.get(), "com.brel.tessivar", "1", "1.0.0", strategy, userRequested),
              ZZCRASH_ESUCCESS);
}

WriterHarness::~WriterHarness() {
    zzcrash_log_writer_free(writer_.get());
    zzcrash_async_image_list_free(&images_);
}

WriterHarness::Written WriterHarness::write(const zzcrash_log_signal_info& signal, bool withCurrentState,
                                            zzcrash_thread_t crashed, std::uint64_t limit) {
    Written written;
    const int fd = memfd_create("crash-log", MFD_CLOEXEC);
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, fd, limit);
    WriteRequest request{writer_.get(), &images_, crashed, &signal, &file, &written};
    if (withCurrentState)
        zzcrash_async_thread_state_current(writeWithState, &request);
    else
        writeWith(nullptr, &request);
    EXPECT_TRUE(zzcrash_async_file_flush(&file));
    written.bytes = contentOf(fd);
    close(fd);
    return written;
}

WriterHarness::Written WriterHarness::write(const zzcrash_log_signal_info& signal) {
    return write(signal, true, zzcrash_thread_self());
}

}  // namespace tessivar::testing
