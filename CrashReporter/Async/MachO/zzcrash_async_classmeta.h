#pragma once
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_classmeta_cache.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_lazy_string.h"

// Names methods from the class metadata that the platform's object runtime
// keeps in an image (class and category lists, method lists), which survives
// the stripping of the symbol table. Read straight from memory, never through
// the runtime, which may hold locks at crash time. All async-signal-safe.

// Called for each method: class or instance method, the class's name, the
// method's name (both mapped on demand) and its implementation's address.
using zzcrash_async_classmeta_method_cb = void (*)(bool isClassMethod, zzcrash_async_macho_lazy_string* className,
                                                   zzcrash_async_macho_lazy_string* methodName,
                                                   std::uint64_t implementation, void* context);

// Every method of every class (instance methods, then its metaclass's) and of
// every category of the image. An image with the old runtime's
// "__module_info" is walked in that format, until the cache has seen a
// new-format image walked to its end. Error 7 without a cache, 8 when a
// required section is missing, 9 for metadata that does not hold together, or
// the error of a copy from the task.
zzcrash_error_t zzcrash_async_classmeta_walk_image(const zzcrash_async_macho_image* image,
                                                   zzcrash_async_classmeta_cache* cache,
                                                   zzcrash_async_classmeta_method_cb callback, void* context);

// The method whose implementation is the highest one at or below the pc:
// calls back exactly once. Error 8 when no method lies at or below it.
zzcrash_error_t zzcrash_async_classmeta_find_method(const zzcrash_async_macho_image* image,
                                                    zzcrash_async_classmeta_cache* cache, std::uint64_t pc,
                                                    zzcrash_async_classmeta_method_cb callback, void* context);
