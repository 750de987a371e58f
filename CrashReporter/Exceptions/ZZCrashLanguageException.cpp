#include "CrashReporter/Exceptions/ZZCrashLanguageException.h"

#include <cxxabi.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Writer/ZZCrashLogWriter.h"

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

// The exported function of the C++ runtime that a return address lies in;
// empty for any other.
std::string exportedFunctionAt(zzcrash_async_image_list* images, std::uint64_t returnAddress) {
    std::string name;
    if (images->format != &zzcrash_async_elf_image_format || returnAddress == 0) return name;
    zzcrash_async_image_list_mark_reading(images, true);
    const auto* image = reinterpret_cast<const zzcrash_async_elf_image*>(
        zzcrash_async_image_containing_address(images, returnAddress - 1));
    if (image) {
        zzcrash_async_elf_symbol_at_pc(
            image, returnAddress - 1,
            [](std::uint64_t, const char* found, void* context) { *static_cast<std::string*>(context) = found; },
            &name);
    }
    zzcrash_async_image_list_mark_reading(images, false);
    return name;
}

// Where the runtime throws from (throw, throw; and std::rethrow_exception);
// an exception that finds no handler is still there when terminate runs.
constexpr std::array<std::string_view, 3> throwingFunctions{
    "__cxa_throw", "__cxa_rethrow", "_ZSt17rethrow_exceptionNSt15__exception_ptr13exception_ptrE"};
// The runtime's terminate, for an exception a noexcept function stopped.
constexpr std::string_view terminateFunction = "_ZSt9terminatev";

// The stack begins at the throw: the frames above it are this reporter's
// and the runtime's terminate handling, which tell nothing of the crash.
// Without a throw on the stack it begins below std::terminate; without
// either it is kept whole.
std::size_t firstFrameOfTheThrow(zzcrash_async_image_list* images, const std::vector<std::uint64_t>& returnAddresses) {
    std::size_t belowTerminate = 0;
    for (std::size_t i = 0; i < returnAddresses.size(); ++i) {
        const std::string name = exportedFunctionAt(images, returnAddresses[i]);
        if (std::find(throwingFunctions.begin(), throwingFunctions.end(), name) != throwingFunctions.end()) return i;
        if (name == terminateFunction && belowTerminate == 0) belowTerminate = i + 1;
    }
    return belowTerminate;
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

std::string ZZCrashLanguageException::typeName(const std::type_info* type) {
    constexpr std::string_view wrapper = "std::_Nested_exception<";
    const std::string name = demangled(type);
    if (!name.starts_with(wrapper) || !name.ends_with('>')) return name;
    return name.substr(wrapper.size(), name.size() - wrapper.size() - 1);
}

std::optional<ZZCrashLanguageException> ZZCrashLanguageException::current(zzcrash_async_image_list* images) {
    const std::exception_ptr thrown = std::current_exception();
    if (!thrown) return std::nullopt;
    StackWalk walk{images, {}};
    zzcrash_async_thread_state_current(walkStack, &walk);
    std::vector<std::uint64_t>& frames = walk.returnAddresses;
    frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(firstFrameOfTheThrow(images, frames)));
    return ZZCrashLanguageException{typeName(abi::__cxa_current_exception_type()), reasonOf(thrown), std::move(frames)};
}
