#pragma once

#include "CrashReporter/Async/MachO/zzcrash_async_classmeta.h"

// The class metadata of the old object runtime, which 32-bit images carry in
// the "__module_info" section of "__OBJC": modules, each with a table of
// class definitions. The records are copied from the task one at a time, as
// the runtime may have rewritten them (method lists merged into arrays) since
// the image was loaded. Calls back for every method of every class, instance
// methods first, then its metaclass's. `*hasModules` is false only when the
// image has no such section (error 8); otherwise the code is that of mapping
// the section or of the first failed copy, which ends the walk.
// Async-signal-safe.
zzcrash_error_t zzcrash_async_classmeta_walk_old_format(const zzcrash_async_macho_image* image,
                                                        zzcrash_async_classmeta_method_cb callback, void* context,
                                                        bool* hasModules);
