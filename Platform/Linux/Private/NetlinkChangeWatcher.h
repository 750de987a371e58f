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
class NetlinkChangeWatcher {
public:
    // `changed` true after messages arrived (or the kernel dropped some for want of
    // room); false after a quiet interval, so a read that failed can be tried again.
    using Wake = std::function<void(bool changed)>;

    // The socket must outlive the watcher.
    NetlinkChangeWatcher(const NetlinkSocket& socket, Wake wake);
    ~NetlinkChangeWatcher();  // stops the thread and waits for it
    NetlinkChangeWatcher(const NetlinkChangeWatcher&) = delete;
    NetlinkChangeWatcher& operator=(const NetlinkChangeWatcher&) = delete;

    // Answers 0 or errno.
    int start();

private:
    enum class Drained { nothing, changes, broken };

    void run();
    Drained drain();

    const NetlinkSocket& socket_;
    Wake wake_;
    UniqueFd stopFd_;
    std::vector<std::byte> buffer_;
    std::thread thread_;
};

}  // namespace platform
