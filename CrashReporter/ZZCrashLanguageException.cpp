#include "CrashReporter/ZZCrashLanguageException.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

#include "CrashReporter/Async/zzcrash_async_frame_cursor.h"
#include "CrashReporter/zzcrash_log_writer.h"

namespace {

struct StackWalk {
    zzcrash_async_image_list* images;
    std::vector<std::uint64_t> returnAddresses;
};

zzcrash_error_t walkStack(zzcrash_async_thread_state* state, void* context) {
    auto* walk = static_cast<StackWalk*>(context);
    zzcrash_async_frame_cursor cursor;
    zzcrash_async_frame_cursor_init(&cursor, ZZCRASH_TASK_SELF, state, walk->images);
    std::uint64_t pc = 0;
    while (walk->returnAddresses.size() < ZZCRASH_LOG_MAX_FRAMES &&
           zzcrash_async_frame_cursor_next(&cursor) == ZZCRASH_FRAME_ESUCCESS &&
           zzcrash_async_frame_cursor_get_reg(&cursor, ZZCRASH_REG_IP, &pc) == ZZCRASH_FRAME_ESUCCESS)
        walk->returnAddresses.push_back(pc);
    zzcrash_async_frame_cursor_free(&cursor);
    return ZZCRASH_ESUCCESS;
}

std::string demangled(const std::type_info* type) {
    if (!type) return "";
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                                           &std::free);
    return status == 0 && name ? name.get() : type->name();
}

std::string reasonOf(const std::exception_ptr& thrown) {
    try {
        std::rethrow_exception(thrown);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "";
    }
}

}  // namespace

std::optional<ZZCrashLanguageException> ZZCrashLanguageException::current(zzcrash_async_image_list* images) {
    const std::exception_ptr thrown = std::current_exception();
    if (!thrown) return std::nullopt;
    StackWalk walk{images, {}};
    zzcrash_async_thread_state_current(walkStack, &walk);
    return ZZCrashLanguageException{demangled(abi::__cxa_current_exception_type()), reasonOf(thrown),
                                    std::move(walk.returnAddresses)};
}
