#pragma once
#include <cstddef>
#include <cstdint>

// How a read of this process's memory ended. The crash path reads memory it
// cannot trust (a smashed stack, a freed image) only through here, so a bad
// address is an answer instead of a second fault.
enum zzcrash_memory_status {
    ZZCRASH_MEMORY_OK,
    ZZCRASH_MEMORY_UNMAPPED,    // no mapping at the first byte that could not be read
    ZZCRASH_MEMORY_UNREADABLE,  // mapped, but without read permission (a guard page)
    ZZCRASH_MEMORY_FAILED,      // the kernel refused for another reason
};

// Copies `length` bytes at `address` into `destination` and stores how many
// bytes arrived in `copied` (when given): all of them exactly when the answer is
// ZZCRASH_MEMORY_OK. The range must not wrap around the top of the address
// space. Async-signal-safe.
zzcrash_memory_status zzcrash_memory_read(std::uintptr_t address, void* destination, std::size_t length,
                                          std::size_t* copied);

// The longest readable prefix of the range copied, without asking why the
// rest could not be read (that takes a system call of its own): for readers
// that take what there is, such as a window onto a stack whose top runs into
// the next thread's guard page. Answers the bytes copied. Async-signal-safe.
std::size_t zzcrash_memory_read_prefix(std::uintptr_t address, void* destination, std::size_t length);

// Reads name this process by its id, read when the program loads and again
// in the child of every fork. A crash write asks for it once more as it
// starts (a child that a raw clone made has no fork handlers run), so that
// no read of the write names another process. Async-signal-safe.
void zzcrash_memory_read_refresh_process();

// The size of a memory page, read once when the program loads. Async-signal-safe.
std::size_t zzcrash_page_size();
