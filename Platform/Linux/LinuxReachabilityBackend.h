#pragma once
#include <memory>
#include <mutex>

#include "Platform/Linux/NetlinkSocket.h"
#include "Platform/Network/ReachabilityBackend.h"

namespace platform {

class NetlinkChangeWatcher;

// Reachability from the kernel's routing table: the internet counts as reachable
// while a default route (IPv4 or IPv6) can carry traffic, and the flags are then
// exactly ReachabilityFlags::reachable, else 0. Linux tells no cellular or
// on-demand links apart, so every reachable connection reads as the unrestricted
// kind the upload queues treat as Wi-Fi.
//
// Changes come from rtnetlink route, link and address notifications, watched on a
// thread of the backend's own; each burst queues one read on the dispatch queue,
// which then hands the flags to the change handler there.
class LinuxReachabilityBackend final : public ReachabilityBackend {
public:
    // Watches the network namespace of the calling thread.
    static Created create();

    ~LinuxReachabilityBackend() override;

    [[nodiscard]] int setChangeHandler(ChangeHandler handler) override;
    [[nodiscard]] int setDispatchQueue(SerialQueue* queue) override;
    FlagsRead readFlags() override;

private:
    struct Shared;

    LinuxReachabilityBackend(std::shared_ptr<Shared> shared, NetlinkSocket changes);
    bool onWake(bool changed, SerialQueue& queue);
    void queueRead(SerialQueue& queue);

    // Reads queued on the dispatch queue hold this weakly, so one that runs after the
    // backend is gone does nothing.
    std::shared_ptr<Shared> shared_;
    NetlinkSocket changes_;
    std::mutex watchLock_;  // guards watcher_
    std::unique_ptr<NetlinkChangeWatcher> watcher_;
};

}  // namespace platform
