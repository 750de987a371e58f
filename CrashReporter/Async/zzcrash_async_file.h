#pragma once
#include <cstddef>
#include <cstdint>

// Writes all `length` bytes to `fd`, retrying after EINTR and short writes;
// answers a non-negative value on success, -1 on any other failure.
// Async-signal-safe.
long zzcrash_async_write_all(int fd, const void* bytes, std::size_t length);

inline constexpr std::size_t ZZCRASH_ASYNC_FILE_BUFFER_SIZE = 256;

// A buffered output file that needs no allocation: the crash-log writer owns
// one, made before the crash. Writes go through a fixed 256-byte buffer, or
// through a larger one its owner lends (a crash log then goes out in a few
// large writes instead of one system call per 256 bytes); larger blocks
// bypass it. An optional byte limit caps the whole file; once it
// has refused a write it refuses every later one, so that a file that was cut
// ends where it was cut instead of going on with the bytes that came after
// the gap.
struct zzcrash_async_file {
    int fd;
    std::uint64_t limit;  // bytes the whole file may take; 0 = no limit
    std::uint64_t total;  // bytes accepted so far (counted only under a limit)
    std::uint64_t fill;   // bytes in the buffer
    bool refused;         // the limit refused a write
    unsigned char buffer[ZZCRASH_ASYNC_FILE_BUFFER_SIZE];
    unsigned char* lent;     // the owner's buffer, or null: `buffer` serves
    std::uint64_t capacity;  // bytes the buffer in use holds
};

void zzcrash_async_file_init(zzcrash_async_file* file, int fd, std::uint64_t limit);
// Buffers later writes in `buffer` (`capacity` bytes, which must outlive the
// file's use) in place of the file's own; the bytes buffered so far are
// written out first. False, with nothing changed, when they cannot be.
[[nodiscard]] bool zzcrash_async_file_lend_buffer(zzcrash_async_file* file, void* buffer, std::uint64_t capacity);
// Buffers or writes `length` bytes. False when the write would pass the limit
// or an earlier one did (then nothing is written), or when writing failed.
[[nodiscard]] bool zzcrash_async_file_write(zzcrash_async_file* file, const void* bytes, std::size_t length);
// Writes the buffered bytes; on failure they stay buffered.
[[nodiscard]] bool zzcrash_async_file_flush(zzcrash_async_file* file);
// Flushes and closes the descriptor; a failed flush leaves it open.
[[nodiscard]] bool zzcrash_async_file_close(zzcrash_async_file* file);
