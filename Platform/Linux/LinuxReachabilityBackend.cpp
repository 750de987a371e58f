#include "Platform/Linux/LinuxReachabilityBackend.h"

#include <linux/rtnetlink.h>

#include <atomic>
#include <utility>

#include "Platform/Foundation/SerialQueue.h"
#include "Platform/Linux/Private/DefaultRouteQuery.h"
#include "Platform/Linux/Private/NetlinkChangeWatcher.h"
#include "Platform/Network/ReachabilityBackend.h"

namespace platform {
namespace {

// Routes come and go with their own messages; a link losing its carrier and an
// address being removed change which routes work without always saying so per route.
constexpr std::uint32_t kWatchedGroups =
    RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;

}  // namespace

struct LinuxReachabilityBackend::Shared {
    DefaultRouteQuery query;
    std::atomic<bool> readQueued{false};
    std::atomic<bool> lastReadFailed{false};

    std::mutex handlerLock;  // guards handler
    ChangeHandler handler;

    FlagsRead read() {
        const auto answer = query.ask();
        if (answer.error != 0) return {std::nullopt, answer.error};
        return {answer.defaultRoute ? ReachabilityFlags::reachable : 0u, 0};
    }

    void readAndReport() {
        readQueued = false;
        const FlagsRead flags = read();
        lastReadFailed = !flags.flags.has_value();
        if (!flags.flags) return;
        ChangeHandler current;
        {
            std::lock_guard guard(handlerLock);
            current = handler;
        }
        if (current) current(*flags.flags);
    }
};

LinuxReachabilityBackend::Created LinuxReachabilityBackend::create() {
    auto shared = std::make_shared<Shared>();
    if (const int error = shared->query.open()) return {nullptr, error};
    NetlinkSocket changes;
    if (const int error = changes.open(kWatchedGroups)) return {nullptr, error};
    return {std::unique_ptr<ReachabilityBackend>(new LinuxReachabilityBackend(std::move(shared), std::move(changes))),
            0};
}

LinuxReachabilityBackend::LinuxReachabilityBackend(std::shared_ptr<Shared> shared, NetlinkSocket changes)
    : shared_(std::move(shared)), changes_(std::move(changes)) {}

// Stopping cannot fail: only starting a watch answers an error.
LinuxReachabilityBackend::~LinuxReachabilityBackend() { (void)setDispatchQueue(nullptr); }

int LinuxReachabilityBackend::setChangeHandler(ChangeHandler handler) {
    ChangeHandler replaced;  // destroyed after the lock: its captures may do anything
    std::lock_guard guard(shared_->handlerLock);
    replaced = std::exchange(shared_->handler, std::move(handler));
    return 0;
}

int LinuxReachabilityBackend::setDispatchQueue(SerialQueue* queue) {
    std::lock_guard guard(watchLock_);
    watcher_.reset();
    if (!queue) return 0;
    auto watcher = std::make_unique<NetlinkChangeWatcher>(
        changes_, [this, queue](bool changed) { return onWake(changed, *queue); });
    if (const int error = watcher->start()) return error;
    watcher_ = std::move(watcher);
    return 0;
}

LinuxReachabilityBackend::FlagsRead LinuxReachabilityBackend::readFlags() { return shared_->read(); }

// Runs on the watcher's thread. One read waiting on the queue covers every change
// that arrives before it starts. The watcher comes back after a quiet interval
// only while a read is waiting or the last one failed: that read's outcome is
// known only later, on the queue, and a failed one is tried again then.
bool LinuxReachabilityBackend::onWake(bool changed, SerialQueue& queue) {
    if (changed || shared_->lastReadFailed) queueRead(queue);
    return shared_->readQueued || shared_->lastReadFailed;
}

void LinuxReachabilityBackend::queueRead(SerialQueue& queue) {
    if (shared_->readQueued.exchange(true)) return;
    queue.async([weak = std::weak_ptr<Shared>(shared_)] {
        if (auto shared = weak.lock()) shared->readAndReport();
    });
}

}  // namespace platform
