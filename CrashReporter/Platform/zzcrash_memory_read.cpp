#include "CrashReporter/Platform/zzcrash_memory_read.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

const std::size_t pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));

// Once the kernel has refused process_vm_readv (a seccomp filter, an old
// kernel) every later read goes through a pipe instead of asking again.
std::atomic<bool> vmReadRefused{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Each read once asked the kernel for the process id as well: half of the
// system calls of a crash write.
std::atomic<pid_t> processId{getpid()};
static_assert(std::atomic<pid_t>::is_always_lock_free);
[[maybe_unused]] const int forkHandlerSet = pthread_atfork(nullptr, nullptr, zzcrash_memory_read_refresh_process);

void* asPointer(std::uintptr_t address) { return reinterpret_cast<void*>(address); }

bool refusal(int error) { return error == ENOSYS || error == EPERM; }

// process_vm_readv of the own process: bytes copied, or -1 with errno.
ssize_t readWithVmReadv(std::uintptr_t address, void* destination, std::size_t length) {
    iovec local{destination, length};
    iovec remote{asPointer(address), length};
    // 0: a read from another library's static initialiser, before this one's ran.
    if (processId.load(std::memory_order_relaxed) == 0) zzcrash_memory_read_refresh_process();
    return process_vm_readv(processId.load(std::memory_order_relaxed), &local, 1, &remote, 1, 0);
}

ssize_t writeRetrying(int fd, std::uintptr_t address, std::size_t length) {
    for (;;) {
        const ssize_t written = write(fd, asPointer(address), length);
        if (written >= 0 || errno != EINTR) return written;
    }
}

bool readExactly(int fd, unsigned char* destination, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t count = read(fd, destination + done, length - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// The kernel checks the source of a write(2) as it checks process_vm_readv's:
// a bad page is EFAULT, never a fault in this process. Each write stays
// within one page, so it never blocks (a pipe holds at least a page) and its
// failure names that page. Answers the bytes copied before the first bad
// page, or -1 with errno.
ssize_t readThroughPipe(std::uintptr_t address, void* destination, std::size_t length) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    auto* bytes = static_cast<unsigned char*>(destination);
    std::size_t done = 0;
    int failure = 0;
    while (done < length) {
        const std::size_t toPageEnd = pageSize - (address + done) % pageSize;
        const std::size_t chunk = length - done < toPageEnd ? length - done : toPageEnd;
        const ssize_t written = writeRetrying(fds[1], address + done, chunk);
        if (written < 0)
            failure = errno;
        else if (!readExactly(fds[0], bytes + done, static_cast<std::size_t>(written)))
            failure = EIO;
        if (failure != 0) break;
        done += static_cast<std::size_t>(written);
        if (static_cast<std::size_t>(written) < chunk) break;
    }
    close(fds[0]);
    close(fds[1]);
    if (failure == 0 || (failure == EFAULT && done > 0)) return static_cast<ssize_t>(done);
    errno = failure;
    return -1;
}

ssize_t readBytes(std::uintptr_t address, void* destination, std::size_t length) {
    if (!vmReadRefused.load(std::memory_order_relaxed)) {
        const ssize_t count = readWithVmReadv(address, destination, length);
        if (count >= 0 || !refusal(errno)) return count;
        vmReadRefused.store(true, std::memory_order_relaxed);
    }
    return readThroughPipe(address, destination, length);
}

// Both an unmapped page and one without read permission fail the copy with
// EFAULT; mincore tells them apart (it answers for any mapped page).
zzcrash_memory_status classifyFault(std::uintptr_t address) {
    unsigned char residency = 0;
    if (mincore(asPointer(address & ~(pageSize - 1)), 1, &residency) == 0) return ZZCRASH_MEMORY_UNREADABLE;
    return errno == ENOMEM ? ZZCRASH_MEMORY_UNMAPPED : ZZCRASH_MEMORY_FAILED;
}

}  // namespace

zzcrash_memory_status zzcrash_memory_read(std::uintptr_t address, void* destination, std::size_t length,
                                          std::size_t* copied) {
    const int savedErrno = errno;
    const ssize_t count = readBytes(address, destination, length);
    const int readErrno = errno;
    if (copied) *copied = count > 0 ? static_cast<std::size_t>(count) : 0;
    zzcrash_memory_status status = ZZCRASH_MEMORY_OK;
    if (count < 0 && readErrno != EFAULT)
        status = ZZCRASH_MEMORY_FAILED;
    else if (count < 0)
        status = classifyFault(address);
    else if (static_cast<std::size_t>(count) < length)
        status = classifyFault(address + static_cast<std::size_t>(count));
    errno = savedErrno;
    return status;
}

std::size_t zzcrash_memory_read_prefix(std::uintptr_t address, void* destination, std::size_t length) {
    const int savedErrno = errno;
    const ssize_t count = readBytes(address, destination, length);
    errno = savedErrno;
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void zzcrash_memory_read_refresh_process() { processId.store(getpid(), std::memory_order_relaxed); }

std::size_t zzcrash_page_size() { return pageSize; }
