#include "CrashReporter/Async/zzcrash_async_file.h"

#include <unistd.h>

#include <cerrno>

#include "CrashReporter/Async/zzcrash_async_string.h"

long zzcrash_async_write_all(int fd, const void* bytes, std::size_t length) {
    const auto* next = static_cast<const unsigned char*>(bytes);
    std::size_t left = length;
    while (left > 0) {
        const ssize_t written = write(fd, next, left);
        if (written <= 0 && errno == EINTR) continue;
        if (written <= 0) return -1;
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return static_cast<long>(length);
}

void zzcrash_async_file_init(zzcrash_async_file* file, int fd, std::uint64_t limit) {
    file->fd = fd;
    file->limit = limit;
    file->total = 0;
    file->fill = 0;
    file->refused = false;
    file->lent = nullptr;
    file->capacity = ZZCRASH_ASYNC_FILE_BUFFER_SIZE;
}

bool zzcrash_async_file_lend_buffer(zzcrash_async_file* file, void* buffer, std::uint64_t capacity) {
    if (!zzcrash_async_file_flush(file)) return false;
    file->lent = static_cast<unsigned char*>(buffer);
    file->capacity = capacity;
    return true;
}

namespace {

unsigned char* storage(zzcrash_async_file* file) { return file->lent ? file->lent : file->buffer; }

}  // namespace

bool zzcrash_async_file_write(zzcrash_async_file* file, const void* bytes, std::size_t length) {
    if (file->refused) return false;
    if (file->limit != 0) {
        if (length > file->limit - file->total) {
            file->refused = true;
            return false;
        }
        file->total += length;
    }
    if (file->fill + length > file->capacity && !zzcrash_async_file_flush(file)) return false;
    if (length > file->capacity) return zzcrash_async_write_all(file->fd, bytes, length) >= 0;
    zzcrash_async_memcpy(storage(file) + file->fill, bytes, length);
    file->fill += length;
    return true;
}

bool zzcrash_async_file_flush(zzcrash_async_file* file) {
    if (file->fill == 0) return true;
    if (zzcrash_async_write_all(file->fd, storage(file), file->fill) < 0) return false;
    file->fill = 0;
    return true;
}

bool zzcrash_async_file_close(zzcrash_async_file* file) {
    if (!zzcrash_async_file_flush(file)) return false;
    return close(file->fd) == 0;
}
