#pragma once

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"

// Brings an image list of this process's ELF images (zzcrash_async_elf_image_format)
// up to date with what the dynamic loader has mapped: images no longer loaded
// are removed, new ones appended. Not for the crash path: the loader's list is
// read under its lock. Call it when the reporter is enabled and after each
// dlopen or dlclose.
void zzcrash_elf_image_list_refresh(zzcrash_async_image_list* list);
