#include "CrashReporter/Platform/zzcrash_thread_list.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace {

// The fixed part of a linux_dirent64 record: inode, offset, record length, type.
constexpr std::size_t recordLengthOffset = 16;
constexpr std::size_t nameOffset = 19;

// A thread id from a directory entry's name; -1 for "." and "..".
zzcrash_thread_t threadFromName(const char* name) {
    if (*name < '0' || *name > '9') return -1;
    zzcrash_thread_t thread = 0;
    for (; *name >= '0' && *name <= '9'; ++name) thread = thread * 10 + (*name - '0');
    return thread;
}

void addThread(zzcrash_thread_list* list, zzcrash_thread_t thread) {
    if (thread < 0) return;
    if (list->count == ZZCRASH_THREAD_LIST_CAPACITY) {
        list->complete = false;
        return;
    }
    list->threads[list->count++] = thread;
}

void addEntries(zzcrash_thread_list* list, const char* buffer, std::size_t length) {
    for (std::size_t offset = 0; offset + nameOffset < length;) {
        unsigned short recordLength = 0;
        std::memcpy(&recordLength, buffer + offset + recordLengthOffset, sizeof recordLength);
        if (recordLength == 0) return;
        addThread(list, threadFromName(buffer + offset + nameOffset));
        offset += recordLength;
    }
}

}  // namespace

bool zzcrash_thread_list_read(zzcrash_thread_list* list) {
    list->count = 0;
    list->complete = true;
    const int savedErrno = errno;
    const int fd = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    alignas(8) char buffer[2048];
    bool ok = true;
    for (;;) {
        const long length = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) continue;
        if (length <= 0) {
            ok = length == 0;
            break;
        }
        addEntries(list, buffer, static_cast<std::size_t>(length));
    }
    close(fd);
    errno = savedErrno;
    return ok;
}

zzcrash_thread_t zzcrash_thread_self() { return gettid(); }
