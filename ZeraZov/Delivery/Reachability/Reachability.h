#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/SerialQueue.h"
#include "Platform/Network/ReachabilityBackend.h"
#include "ZeraZov/Core/Config/ZeraZovReachabilitySource.h"
#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"

namespace zerazov {

// Why the reachability monitor could not be made, started or read. The code is the
// backend's (an errno value on Linux).
struct ReachabilityError {
    enum class Kind {
        failedToCreateWithAddress,  // the backend did not come up
        // A monitor of one host's reachability could not be made. Only the default
        // route is watched here, so nothing raises it; it keeps the set of causes
        // whole for code that tells them apart.
        failedToCreateWithHostname,
        unableToSetCallback,
        unableToSetDispatchQueue,
        unableToGetFlags,
    };

    Kind kind;
    std::int32_t code;
    std::string host = {};  // the host's name, for failedToCreateWithHostname only

    // The cause by its name with what it carries: "unableToGetFlags(5)",
    // "failedToCreateWithHostname(example.com, 5)".
    std::string description() const;

    bool operator==(const ReachabilityError&) const = default;
};

// The monitor's last flags, or the mark that none were read yet, as one atomic
// word: the flushing queues, the event context and the main queue read it while the
// monitor's own queue writes it.
class ReachabilityFlagsCell {
public:
    std::optional<std::uint32_t> load() const {
        const std::uint64_t value = value_.load();
        if ((value & kKnown) == 0) return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }

    // Answers true when the flags were unknown before or differ from these.
    bool store(std::uint32_t flags) { return value_.exchange(kKnown | flags) != (kKnown | flags); }

private:
    static constexpr std::uint64_t kKnown = std::uint64_t{1} << 32;

    std::atomic<std::uint64_t> value_{0};
};

// Watches whether the machine can reach the internet at all and says so when that
// changes, so the upload queues can pause while it cannot. One monitor per client.
//
// Flags are read on a serial queue of the monitor's own (the backend's change
// handler runs there too); subscribers of onReachable / onUnreachable and observers
// of "reachabilityChanged" are called on the notification queue, never under a
// lock of the monitor. The first read after a start reports as a change, so every
// subscriber hears the state once right after startNotifier().
//
// Always owned by a shared_ptr (see create()): the backend and queued reports hold
// the monitor weakly, so neither keeps it alive nor reaches it once it is gone.
class Reachability final : public ZeraZovReachabilitySource, public std::enable_shared_from_this<Reachability> {
public:
    // Linux tells no cellular links apart: every usable connection is `wifi`.
    enum class Connection { unavailable, wifi };

    struct Creation {
        std::shared_ptr<Reachability> monitor;  // nothing when `error` is set
        std::optional<ReachabilityError> error;
    };

    // Posted on the notification center after every change of the flags, with
    // userInfo {"object": identifier()} naming the monitor that posted it.
    static constexpr const char* changedNotification = "reachabilityChanged";
    static constexpr const char* notificationObjectKey = "object";
    // The longer name some observers know; the monitor itself never posts it.
    static constexpr const char* changedNotificationLongName = "ReachabilityChangedNotification";

    // A backend that did not come up gives failedToCreateWithAddress with its code.
    // Reports run on `notificationQueue` (the main queue), which must outlive the monitor.
    static Creation create(
        platform::ReachabilityBackend::Created backend, platform::MainQueue& notificationQueue,
        platform::NotificationCenter& notificationCenter = platform::NotificationCenter::defaultCenter());

    ~Reachability() override;
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // Kept for the platforms that report a cellular link apart; this one reports
    // none, so nothing here reads them. Both start true.
    std::atomic<bool> reachableOnWWAN{true};
    std::atomic<bool> allowsCellularConnection{true};

    ZeraZovMulticastCallback<Reachability&>& onReachable() { return onReachable_; }
    ZeraZovMulticastCallback<Reachability&>& onUnreachable() { return onUnreachable_; }

    // Installs the backend's change handler, schedules it on the monitor's queue and
    // reads the flags once. Nothing when already running. On failure the notifier is
    // left stopped.
    std::optional<ReachabilityError> startNotifier();
    // Removes the change handler; no change reaches the subscribers afterwards,
    // except a report already queued. A stopped monitor may be started again.
    void stopNotifier();
    bool isNotifierRunning() const;

    // Reads the flags now, on the monitor's queue, and reports when they changed or
    // were unknown. A failed read stops the notifier.
    std::optional<ReachabilityError> setReachabilityFlags();

    // The last flags read, without reading.
    std::optional<std::uint32_t> flags() const { return flags_->load(); }
    // The last flags read; reads them first when none were read yet. Never call this
    // on the monitor's own queue.
    std::optional<std::uint32_t> reachabilityFlags() override;
    Connection connection();
    bool isReachable() { return connection() != Connection::unavailable; }

    // Unique among the monitors of this process.
    std::uint64_t identifier() const { return identifier_; }
    // "unavailable flags" before the first read, else flagsDescription() of the flags.
    std::string description() const;
    // Ten characters: "-", "R" when reachable, a space, then "ctiCDld" for connection
    // required, transient, intervention required, on traffic, on demand, local
    // address and direct, each "-" when clear. Reachable and direct: "-R ------d".
    static std::string flagsDescription(std::uint32_t flags);

private:
    Reachability(std::unique_ptr<platform::ReachabilityBackend> backend, platform::MainQueue& notificationQueue,
                 platform::NotificationCenter& notificationCenter);

    platform::ReachabilityBackend::ChangeHandler makeChangeHandler();
    std::optional<ReachabilityError> failStart(ReachabilityError::Kind kind, int code);
    std::optional<ReachabilityError> readFlagsOnQueue();
    void stopLocked();
    void reachabilityChanged();
    static void postReport(platform::MainQueue& queue, std::weak_ptr<Reachability> monitor);
    void report();

    ZeraZovMulticastCallback<Reachability&> onReachable_;
    ZeraZovMulticastCallback<Reachability&> onUnreachable_;
    const std::uint64_t identifier_;
    platform::MainQueue& notificationQueue_;
    platform::NotificationCenter& notificationCenter_;
    // The change handler holds the cell, not the monitor.
    const std::shared_ptr<ReachabilityFlagsCell> flags_ = std::make_shared<ReachabilityFlagsCell>();
    // Declared before the queue so that work still queued at release finds it alive.
    const std::unique_ptr<platform::ReachabilityBackend> backend_;
    const std::unique_ptr<platform::SerialQueue> reachabilitySerialQueue_;

    mutable std::mutex notifierLock_;  // guards notifierRunning_ and orders starts and stops
    bool notifierRunning_ = false;
};

}  // namespace zerazov
