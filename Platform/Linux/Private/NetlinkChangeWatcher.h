#pragma once
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Linux/NetlinkSocket.h"

namespace platform {

// A thread that waits on a netlink socket subscribed to change groups and says when
// something arrived. The messages are drained unread: whoever is told reads the
// state afresh, so a lost or overflowed message costs nothing but that read.
//
// The kernel speaks when something changes, so the thread sleeps without a
// timeout: an idle program is not woken at all. Only a wake that asks for it
// is followed by another one after a quiet interval.
class NetlinkChangeWatcher {
public:
    // `changed` true after messages arrived (or the kernel dropped some for want of
    // room); false after a quiet interval. Answers whether to be woken again after
    // a quiet interval even without messages, so that a read that may fail is
    // tried again.
    using Wake = std::function<bool(bool changed)>;

    static constexpr int kQuietIntervalMs = 1000;

    // The socket must outlive the watcher.
    NetlinkChangeWatcher(const NetlinkSocket& socket, Wake wake, int quietIntervalMs = kQuietIntervalMs);
    ~NetlinkChangeWatcher();  // stops the thread and waits for it
    NetlinkChangeWatcher(const NetlinkChangeWatcher&) = delete;
    NetlinkChangeWatcher& operator=(const NetlinkChangeWatcher&) = delete;

    // Answers 0 or errno.
    [[nodiscard]] int start();

private:
    enum class Drained { nothing, changes, broken };

    void run();
    Drained drain();

    const NetlinkSocket& socket_;
    Wake wake_;
    int quietIntervalMs_;
    UniqueFd stopFd_;
    std::vector<std::byte> buffer_;
    std::thread thread_;
};

}  // namespace platform
