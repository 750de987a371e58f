#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_file.h"

namespace {

// Both ends of a pipe; what was written is read back without blocking.
class Pipe {
public:
    Pipe() {
        if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
    }
    ~Pipe() {
        closeReader();
        if (fds_[1] >= 0) close(fds_[1]);
    }
    int reader() const { return fds_[0]; }
    int writer() const { return fds_[1]; }
    void closeReader() {
        if (fds_[0] >= 0) close(fds_[0]);
        fds_[0] = -1;
    }
    // Everything written so far.
    std::string drain() const {
        std::string bytes;
        char buffer[4096];
        for (ssize_t count; (count = read(fds_[0], buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, static_cast<std::size_t>(count));
        return bytes;
    }

private:
    int fds_[2];
};

std::string bytesOf(std::size_t count, char first) {
    std::string bytes(count, ' ');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(first + i % 26);
    return bytes;
}

bool put(zzcrash_async_file& file, const std::string& bytes) {
    return zzcrash_async_file_write(&file, bytes.data(), bytes.size());
}

// A limit caps the whole file: a write that would pass it is refused whole and
// counts for nothing; one that reaches it exactly is taken. After a refusal
// every write is refused, even one that would still fit: the bytes after a
// gap would make the file say something it never said.
TEST(AsyncFile, ByteLimitRefusesAWriteThatWouldPassIt) {
    Pipe pipe;
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, pipe.writer(), 10);
    EXPECT_TRUE(put(file, "abcd"));
    EXPECT_TRUE(put(file, "efghij"));
    EXPECT_FALSE(put(file, "k"));
    EXPECT_EQ(file.total, 10u);
    EXPECT_TRUE(zzcrash_async_file_flush(&file));
    EXPECT_EQ(pipe.drain(), "abcdefghij");

    zzcrash_async_file big;
    zzcrash_async_file_init(&big, pipe.writer(), 10);
    EXPECT_FALSE(put(big, bytesOf(11, 'a')));
    EXPECT_EQ(big.total, 0u);
    EXPECT_EQ(big.fill, 0u);
    EXPECT_FALSE(put(big, "a"));
    EXPECT_EQ(big.fill, 0u);
}

// The buffer holds 256 bytes; a write that does not fit flushes what is
// buffered first, and a block larger than the buffer goes straight out after
// it, so the bytes arrive in order.
TEST(AsyncFile, BuffersUpTo256BytesAndWritesLargerBlocksDirectly) {
    Pipe pipe;
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, pipe.writer(), 0);
    const std::string first = bytesOf(256, 'a');
    EXPECT_TRUE(put(file, first));
    EXPECT_EQ(pipe.drain(), "");
    EXPECT_EQ(file.fill, 256u);
    EXPECT_TRUE(put(file, "x"));
    EXPECT_EQ(pipe.drain(), first);
    EXPECT_EQ(file.fill, 1u);

    const std::string small = bytesOf(9, 'k');
    const std::string block = bytesOf(300, 'n');
    EXPECT_TRUE(put(file, small));
    EXPECT_TRUE(put(file, block));
    EXPECT_EQ(file.fill, 0u);
    EXPECT_EQ(file.total, 0u);  // counted only under a limit
    EXPECT_EQ(pipe.drain(), "x" + small + block);
}

// A lent buffer takes the place of the file's own: what the own one held goes
// out first, and then writes gather until the lent one is full, however many
// 256-byte buffers they would have filled; a block larger than it still goes
// straight out after what it holds. A lend whose flush fails changes nothing.
TEST(AsyncFile, ALentBufferGathersWritesUntilItIsFull) {
    Pipe pipe;
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, pipe.writer(), 0);
    EXPECT_TRUE(put(file, "head"));
    std::vector<unsigned char> lent(1000);
    ASSERT_TRUE(zzcrash_async_file_lend_buffer(&file, lent.data(), lent.size()));
    EXPECT_EQ(pipe.drain(), "head");

    const std::string first = bytesOf(600, 'a');
    const std::string second = bytesOf(400, 'h');
    const std::string third = bytesOf(10, 'q');
    const std::string block = bytesOf(1001, 'c');
    EXPECT_TRUE(put(file, first));
    EXPECT_TRUE(put(file, second));
    EXPECT_EQ(pipe.drain(), "");
    EXPECT_EQ(file.fill, 1000u);
    EXPECT_TRUE(put(file, third));
    EXPECT_EQ(pipe.drain(), first + second);
    EXPECT_TRUE(put(file, block));
    EXPECT_EQ(pipe.drain(), third + block);
    EXPECT_TRUE(put(file, "tail"));
    EXPECT_TRUE(zzcrash_async_file_flush(&file));
    EXPECT_EQ(pipe.drain(), "tail");

    zzcrash_async_file failing;
    zzcrash_async_file_init(&failing, pipe.writer(), 0);
    EXPECT_TRUE(put(failing, "kept"));
    signal(SIGPIPE, SIG_IGN);
    pipe.closeReader();
    EXPECT_FALSE(zzcrash_async_file_lend_buffer(&failing, lent.data(), lent.size()));
    EXPECT_EQ(failing.lent, nullptr);
    EXPECT_EQ(failing.fill, 4u);
}

// A failed flush keeps the buffered bytes; a failed close leaves the
// descriptor open; a closed descriptor fails a direct write.
TEST(AsyncFile, FailuresLeaveTheFileUsable) {
    Pipe pipe;
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, pipe.writer(), 0);
    EXPECT_TRUE(put(file, "kept"));
    signal(SIGPIPE, SIG_IGN);
    pipe.closeReader();
    EXPECT_FALSE(zzcrash_async_file_flush(&file));
    EXPECT_EQ(file.fill, 4u);
    EXPECT_FALSE(zzcrash_async_file_close(&file));
    EXPECT_NE(fcntl(pipe.writer(), F_GETFD), -1);
    EXPECT_FALSE(put(file, bytesOf(300, 'a')));

    EXPECT_EQ(zzcrash_async_write_all(-1, "x", 1), -1);
    const int fd = dup(STDERR_FILENO);
    zzcrash_async_file closing;
    zzcrash_async_file_init(&closing, fd, 0);
    EXPECT_TRUE(zzcrash_async_file_close(&closing));
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

std::atomic<int> interruptions{0};
void countInterruption(int) { interruptions.fetch_add(1); }

// A write blocked on a full pipe and interrupted by a signal (a handler
// without SA_RESTART, as crash handlers may have) fails with EINTR; the loop
// tries again, and every byte arrives once.
TEST(AsyncFile, WriteAllRetriesAfterEINTR) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    struct sigaction action {};
    action.sa_handler = countInterruption;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR2, &action, &previous), 0);
    interruptions = 0;
    const std::string payload = bytesOf(256 * 1024, 'a');  // more than the pipe holds
    std::atomic<bool> done{false};
    std::atomic<pthread_t> writerThread{pthread_self()};
    std::atomic<bool> started{false};
    long written = 0;
    std::thread writer([&] {
        writerThread = pthread_self();
        started = true;
        written = zzcrash_async_write_all(fds[1], payload.data(), payload.size());
        done = true;
    });
    while (!started) std::this_thread::yield();
    // Interrupt the blocked writer until it has been interrupted a few times
    // (bounded), then read everything.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (interruptions < 3 && std::chrono::steady_clock::now() < deadline) {
        pthread_kill(writerThread.load(), SIGUSR2);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::string received;
    char buffer[65536];
    while (received.size() < payload.size()) {
        const ssize_t count = read(fds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        received.append(buffer, static_cast<std::size_t>(count));
    }
    writer.join();
    sigaction(SIGUSR2, &previous, nullptr);
    close(fds[0]);
    close(fds[1]);
    EXPECT_GE(interruptions.load(), 3);
    EXPECT_TRUE(done);
    EXPECT_EQ(written, static_cast<long>(payload.size()));
    EXPECT_TRUE(received == payload);
}

}  // namespace
