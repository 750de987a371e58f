#pragma once
#include <cstdint>

// The images the dynamic loader has mapped into this process, each by the
// address of its ELF header and its path: the main program under the path
// /proc/self/exe names, the vDSO under the loader's name for it. Not for the
// crash path: the loader's list is read under the loader's lock, which a
// crashed thread may hold. Call it when the reporter is enabled and after a
// library was loaded or unloaded.
using zzcrash_loaded_image_visitor = void (*)(std::uint64_t headerAddress, const char* name, void* context);
void zzcrash_loaded_images_each(zzcrash_loaded_image_visitor visit, void* context);
