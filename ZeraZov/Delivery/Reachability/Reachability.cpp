#include "ZeraZov/Delivery/Reachability/Reachability.h"

#include <atomic>
#include <utility>

#include "Platform/Network/ReachabilityBackend.h"

namespace zerazov {
namespace {

using platform::ReachabilityFlags;

static_assert(ZeraZovReachabilitySource::reachable == ReachabilityFlags::reachable &&
                  ZeraZovReachabilitySource::connectionRequired == ReachabilityFlags::connectionRequired &&
                  ZeraZovReachabilitySource::connectionOnTraffic == ReachabilityFlags::connectionOnTraffic &&
                  ZeraZovReachabilitySource::interventionRequired == ReachabilityFlags::interventionRequired &&
                  ZeraZovReachabilitySource::connectionOnDemand == ReachabilityFlags::connectionOnDemand,
              "the event context and the backends must mean the same bits");

std::uint64_t nextIdentifier() {
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

const char* kindName(ReachabilityError::Kind kind) {
    using Kind = ReachabilityError::Kind;
    switch (kind) {
    case Kind::failedToCreateWithAddress: return "failedToCreateWithAddress";
    case Kind::failedToCreateWithHostname: return "failedToCreateWithHostname";
    case Kind::unableToSetCallback: return "unableToSetCallback";
    case Kind::unableToSetDispatchQueue: return "unableToSetDispatchQueue";
    case Kind::unableToGetFlags: return "unableToGetFlags";
    }
    return "unknown";
}

}  // namespace

std::string ReachabilityError::description() const {
    const std::string payload = kind == Kind::failedToCreateWithHostname ? host + ", " : "";
    return std::string(kindName(kind)) + "(" + payload + std::to_string(code) + ")";
}

Reachability::Creation Reachability::create(platform::ReachabilityBackend::Created backend,
                                            platform::MainQueue& notificationQueue,
                                            platform::NotificationCenter& notificationCenter) {
    if (!backend.backend) {
        return {nullptr, ReachabilityError{ReachabilityError::Kind::failedToCreateWithAddress, backend.error}};
    }
    auto* monitor = new Reachability(std::move(backend.backend), notificationQueue, notificationCenter);
    return {std::shared_ptr<Reachability>(monitor), std::nullopt};
}

Reachability::Reachability(std::unique_ptr<platform::ReachabilityBackend> backend,
                           platform::MainQueue& notificationQueue, platform::NotificationCenter& notificationCenter)
    : identifier_(nextIdentifier()),
      notificationQueue_(notificationQueue),
      notificationCenter_(notificationCenter),
      backend_(std::move(backend)),
      reachabilitySerialQueue_(std::make_unique<platform::SerialQueue>("ZeraZov.Reachability")) {}

Reachability::~Reachability() { stopNotifier(); }

std::optional<ReachabilityError> Reachability::startNotifier() {
    std::lock_guard guard(notifierLock_);
    if (notifierRunning_) return std::nullopt;
    if (const int code = backend_->setChangeHandler(makeChangeHandler())) {
        return failStart(ReachabilityError::Kind::unableToSetCallback, code);
    }
    if (const int code = backend_->setDispatchQueue(reachabilitySerialQueue_.get())) {
        return failStart(ReachabilityError::Kind::unableToSetDispatchQueue, code);
    }
    if (auto error = readFlagsOnQueue()) {
        stopLocked();
        return error;
    }
    notifierRunning_ = true;
    return std::nullopt;
}

std::optional<ReachabilityError> Reachability::failStart(ReachabilityError::Kind kind, int code) {
    stopLocked();
    return ReachabilityError{kind, code};
}

void Reachability::stopNotifier() {
    std::lock_guard guard(notifierLock_);
    stopLocked();
}

// Once the queue is unscheduled the backend queues no new change, and a change
// already queued finds no handler.
void Reachability::stopLocked() {
    // Removing the handler and stopping cannot fail: only installing and starting answer an error.
    (void)backend_->setChangeHandler({});
    (void)backend_->setDispatchQueue(nullptr);
    notifierRunning_ = false;
}

bool Reachability::isNotifierRunning() const {
    std::lock_guard guard(notifierLock_);
    return notifierRunning_;
}

// Runs on the monitor's queue and holds the monitor weakly, so the backend never
// keeps it alive and a release never has to happen on the queue it would join.
platform::ReachabilityBackend::ChangeHandler Reachability::makeChangeHandler() {
    return [flags = flags_, monitor = weak_from_this(), queue = &notificationQueue_](std::uint32_t newFlags) {
        if (monitor.expired()) return;
        if (flags->store(newFlags)) postReport(*queue, monitor);
    };
}

std::optional<ReachabilityError> Reachability::setReachabilityFlags() {
    auto error = readFlagsOnQueue();
    if (error) stopNotifier();
    return error;
}

std::optional<ReachabilityError> Reachability::readFlagsOnQueue() {
    platform::ReachabilityBackend::FlagsRead read;
    reachabilitySerialQueue_->sync([this, &read] {
        read = backend_->readFlags();
        if (read.flags && flags_->store(*read.flags)) reachabilityChanged();
    });
    if (read.flags) return std::nullopt;
    return ReachabilityError{ReachabilityError::Kind::unableToGetFlags, read.error};
}

std::optional<std::uint32_t> Reachability::reachabilityFlags() {
    if (const auto known = flags_->load()) return known;
    setReachabilityFlags();  // a failure leaves the flags unknown, which is the answer
    return flags_->load();
}

Reachability::Connection Reachability::connection() {
    return isUsable(reachabilityFlags()) ? Connection::wifi : Connection::unavailable;
}

void Reachability::reachabilityChanged() { postReport(notificationQueue_, weak_from_this()); }

void Reachability::postReport(platform::MainQueue& queue, std::weak_ptr<Reachability> monitor) {
    queue.async([monitor = std::move(monitor)] {
        if (auto self = monitor.lock()) self->report();
    });
}

void Reachability::report() {
    auto& subscribers = isReachable() ? onReachable_ : onUnreachable_;
    subscribers.invoke(*this);
    notificationCenter_.post(changedNotification, {{notificationObjectKey, identifier_}});
}

std::string Reachability::description() const {
    const auto known = flags();
    return known ? flagsDescription(*known) : "unavailable flags";
}

std::string Reachability::flagsDescription(std::uint32_t flags) {
    static constexpr std::pair<std::uint32_t, char> kLetters[] = {
        {ReachabilityFlags::connectionRequired, 'c'},
        {ReachabilityFlags::transientConnection, 't'},
        {ReachabilityFlags::interventionRequired, 'i'},
        {ReachabilityFlags::connectionOnTraffic, 'C'},
        {ReachabilityFlags::connectionOnDemand, 'D'},
        {ReachabilityFlags::isLocalAddress, 'l'},
        {ReachabilityFlags::isDirect, 'd'},
    };
    std::string text = "-";  // the cellular position, never set here
    text += (flags & ReachabilityFlags::reachable) != 0 ? 'R' : '-';
    text += ' ';
    for (const auto& [bit, letter] : kLetters) text += (flags & bit) != 0 ? letter : '-';
    return text;
}

}  // namespace zerazov
