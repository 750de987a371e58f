#include "Platform/Linux/Private/NetlinkChangeWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>
#include <utility>

#include "Platform/Foundation/ThreadStart.h"

namespace platform {
namespace {

constexpr std::size_t kBufferSize = 16 * 1024;
// Enough to empty a burst; a longer stream is taken up again on the next poll.
constexpr int kDatagramsPerDrain = 256;

}  // namespace

NetlinkChangeWatcher::NetlinkChangeWatcher(const NetlinkSocket& socket, Wake wake, int quietIntervalMs)
    : socket_(socket), wake_(std::move(wake)), quietIntervalMs_(quietIntervalMs), buffer_(kBufferSize) {}

NetlinkChangeWatcher::~NetlinkChangeWatcher() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        // An eventfd write of 1 cannot block or fall short; the thread wakes at once.
        [[maybe_unused]] const auto written = ::write(stopFd_.get(), &one, sizeof one);
        thread_.join();
    }
}

int NetlinkChangeWatcher::start() {
    if (socket_.fd() < 0) return EBADF;
    const int stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (stopFd < 0) return errno;
    stopFd_.reset(stopFd);
    try {
        thread_ = startThread([this] { run(); });
    } catch (const std::system_error& error) {
        return error.code().value();
    }
    return 0;
}

void NetlinkChangeWatcher::run() {
    pollfd watched[2] = {{socket_.fd(), POLLIN, 0}, {stopFd_.get(), POLLIN, 0}};
    bool again = false;
    for (;;) {
        const int ready = ::poll(watched, 2, again ? quietIntervalMs_ : -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (watched[1].revents & POLLIN) != 0) return;
        if (ready == 0) {
            again = wake_(false);
            continue;
        }
        const Drained drained = drain();
        if (drained != Drained::nothing) again = wake_(true);
        // A socket that fails for good would wake poll for ever; the last wake above
        // has the state read once more, and the watch ends.
        if (drained == Drained::broken) return;
    }
}

NetlinkChangeWatcher::Drained NetlinkChangeWatcher::drain() {
    Drained drained = Drained::nothing;
    for (int count = 0; count < kDatagramsPerDrain; ++count) {
        const auto received = socket_.receive(buffer_, false);
        if (received.error == EAGAIN) return drained;
        if (received.error == 0 || received.error == ENOBUFS || received.error == EMSGSIZE) {
            drained = Drained::changes;
            continue;
        }
        return Drained::broken;
    }
    return drained;
}

}  // namespace platform
