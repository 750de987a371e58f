#include "tests/CrashReporter/CrashPath/CrashPathRun.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "CrashReporter/Async/zzcrash_async_file.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_async_signal_names.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"

namespace tessivar::testing {

namespace {

// Long enough for every thread to answer on a loaded test machine; a stop
// ends as soon as all have answered.
constexpr std::int64_t answeringTimeoutMs = 2000;

// An image format whose records are the page they name.
zzcrash_error_t initPageImage(zzcrash_async_image* image, zzcrash_task_t, const char*, std::uint64_t header) {
    image->header_address = header;
    image->text_size = 4096;
    return ZZCRASH_ESUCCESS;
}
void freePageImage(zzcrash_async_image*) {}
const zzcrash_async_image_format pageFormat{sizeof(zzcrash_async_image), initPageImage, freePageImage};

unsigned stopAndReadOtherThreads() {
    zzcrash_thread_list threads;
    if (!zzcrash_thread_list_read(&threads)) return 1;
    const zzcrash_thread_t self = zzcrash_thread_self();
    const int stopped = zzcrash_threads_stop(&threads, self, answeringTimeoutMs);
    unsigned failures = stopped == static_cast<int>(threads.count) - 1 ? 0 : 1;
    for (std::uint32_t i = 0; i < threads.count; ++i) {
        zzcrash_async_thread_state state;
        const bool read = zzcrash_async_thread_state_from_thread(&state, threads.threads[i]) == ZZCRASH_ESUCCESS;
        if (read == (threads.threads[i] == self)) failures = 1;
    }
    zzcrash_threads_resume();
    return failures;
}

zzcrash_error_t readEveryRegister(zzcrash_async_thread_state* state, void*) {
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i < zzcrash_async_thread_state_register_count(state); ++i) {
        std::uint64_t dwarf = 0;
        zzcrash_async_thread_state_dwarf_number_for_register(state, i, &dwarf);
        sum += zzcrash_async_thread_state_get_reg(state, i) + dwarf +
               zzcrash_async_thread_state_register_name(state, i)[0];
    }
    zzcrash_async_thread_state_clear_caller_saved(state);
    return sum != 0 && zzcrash_async_thread_state_has_reg(state, ZZCRASH_X86_64_RSP) ? ZZCRASH_ESUCCESS
                                                                                     : ZZCRASH_EUNKNOWN;
}

unsigned captureStates(const ucontext_t* context) {
    unsigned failures = zzcrash_async_thread_state_current(readEveryRegister, nullptr) == ZZCRASH_ESUCCESS ? 0 : 1;
    if (context) {
        zzcrash_async_thread_state state;
        zzcrash_async_thread_state_from_mcontext(&state, &context->uc_mcontext);
        if (readEveryRegister(&state, nullptr) != ZZCRASH_ESUCCESS) failures = 1;
    }
    return failures;
}

unsigned copyMemory(const GuardedPages& pages) {
    unsigned char buffer[256];
    std::uint64_t value = 0;
    unsigned failures = 0;
    if (zzcrash_async_task_copy(ZZCRASH_TASK_SELF, pages.readable(), 0, buffer, sizeof buffer) != ZZCRASH_ESUCCESS)
        failures = 1;
    if (zzcrash_async_task_copy(ZZCRASH_TASK_SELF, pages.unreadable(), 0, buffer, 8) != ZZCRASH_EACCESS) failures = 1;
    if (zzcrash_async_task_read_uint64(ZZCRASH_TASK_SELF, &zzcrash_async_byteorder_swapped, pages.unmapped(), 0,
                                       &value) != ZZCRASH_ENOTFOUND)
        failures = 1;
    return failures;
}

unsigned mapMemory(const GuardedPages& pages) {
    zzcrash_async_mobject object;
    if (zzcrash_async_mobject_init(&object, ZZCRASH_TASK_SELF, pages.readable() + 10, 8192, false) != ZZCRASH_ESUCCESS)
        return 1;
    std::uint32_t value = 0;
    const bool read = zzcrash_async_mobject_read_uint32(&object, &zzcrash_async_byteorder_direct, pages.readable(), 10,
                                                        &value) == ZZCRASH_ESUCCESS;
    zzcrash_async_mobject_free(&object);
    return read ? 0 : 1;
}

unsigned walkImages(zzcrash_async_image_list* images, const GuardedPages& pages) {
    zzcrash_async_image_list_mark_reading(images, true);
    int count = 0;
    for (auto* image = zzcrash_async_image_list_next(images, nullptr); image;
         image = zzcrash_async_image_list_next(images, image))
        ++count;
    const bool found = zzcrash_async_image_containing_address(images, pages.readable() + 100) != nullptr;
    zzcrash_async_image_list_mark_reading(images, false);
    return count == 1 && found ? 0 : 1;
}

unsigned writeFile(int fd) {
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, fd, 0);
    unsigned char block[300] = {};
    bool ok = true;
    for (int i = 0; i < 1000; ++i) ok = zzcrash_async_file_write(&file, "frame ", 6) && ok;
    ok = zzcrash_async_file_write(&file, block, sizeof block) && zzcrash_async_file_flush(&file) && ok;
    return ok ? 0 : 1;
}

unsigned nameSignals() {
    unsigned failures = 0;
    for (int signal = 0; signal < 65; ++signal) {
        for (int code = -6; code < 10; ++code) {
            const char* name = zzcrash_async_signal_code_name(signal, code);
            if (name && !zzcrash_async_signal_name(signal)) failures = 1;
        }
    }
    for (int code = 0; code < 12; ++code) {
        if (!zzcrash_async_error_text(code)[0]) failures = 1;
    }
    return failures;
}

}  // namespace

CrashPathInputs::CrashPathInputs() : output_(open("/dev/null", O_WRONLY | O_CLOEXEC)) {
    zzcrash_thread_stopper_install();
    zzcrash_async_image_list_init(&images_, ZZCRASH_TASK_SELF, &pageFormat);
    zzcrash_async_image_list_append(&images_, pages_.readable(), "page");
}

CrashPathInputs::~CrashPathInputs() {
    zzcrash_async_image_list_free(&images_);
    close(output_);
}

unsigned runCrashPath(CrashPathInputs& inputs, const ucontext_t* context) {
    return stopAndReadOtherThreads() << 0 | captureStates(context) << 1 | copyMemory(inputs.pages()) << 2 |
           mapMemory(inputs.pages()) << 3 | walkImages(inputs.images(), inputs.pages()) << 4 |
           writeFile(inputs.output()) << 5 | nameSignals() << 6;
}

}  // namespace tessivar::testing
