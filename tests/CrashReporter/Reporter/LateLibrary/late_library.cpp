// A library the crash child opens only after its reporter is enabled, and
// crashes in: called through the pointer dlsym gives, it first calls back
// into the child (which arms the allocation trap), then writes, in a function
// it does not export, through the (null page) address it is given.
// Built without frame pointers, so that its frames are unwound by its own
// unwind tables, which the reporter must have found.
#include <cstdint>

namespace {

__attribute__((noinline)) int tessivar_late_library_unexported_write(std::uintptr_t address) {
    *reinterpret_cast<volatile int*>(address) = 1;
    asm volatile("");
    return 1;
}

}  // namespace

extern "C" __attribute__((noinline, visibility("default"))) int tessivar_late_library_write_null(
    void (*before)(), std::uintptr_t address) {
    before();
    const int written = tessivar_late_library_unexported_write(address);
    asm volatile("");
    return written + 1;
}
