// A library the crash child opens only after its reporter is enabled, and
// crashes in: called through the pointer dlsym gives, it first calls back
// into the child (which arms the allocation trap), then writes through the
// (null page) address it is given.
// Built without frame pointers, so that its frame is unwound by its own
// unwind tables, which the reporter must have found.
#include <cstdint>

extern "C" __attribute__((noinline, visibility("default"))) int tessivar_late_library_write_null(void (*before)(),
                                                                                             std::uintptr_t address) {
    before();
    *reinterpret_cast<volatile int*>(address) = 1;
    asm volatile("");
    return 1;
}
