#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueueBase.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "Platform/Foundation/NumberFormat.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FlushQueue/Private/QueuePauseDescription.h"
#include "ZeraZov/Delivery/FlushQueue/Private/UploadResultRules.h"

namespace zerazov {

namespace {

platform::Clock::WallTime after(platform::Clock::WallTime now, double seconds) {
    return now +
           std::chrono::duration_cast<platform::Clock::WallTime::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

ZeraZovQueueBase::ZeraZovQueueBase(std::shared_ptr<const ZeraZovConfig> config, Settings settings,
                                   std::shared_ptr<Reachability> reachability, platform::MainQueue& mainQueue,
                                   const platform::Clock& clock)
    : config_(std::move(config)),
      settings_(std::move(settings)),
      reachability_(std::move(reachability)),
      mainQueue_(mainQueue),
      clock_(clock),
      batchLimits_(settings_.batchLimits),
      rateCap_(settings_.rateCapMax, settings_.rateCapWindowSeconds, clock),
      fileQueue_(settings_.folder) {
    fileQueue_.setup(settings_.oldLocations);
    dispatchQueue_ = std::make_unique<platform::SerialQueue>(settings_.dispatchQueueLabel);
}

ZeraZovQueueBase::~ZeraZovQueueBase() = default;

void ZeraZovQueueBase::start(bool disableReachability, bool disableQueueTimer) {
    if (!disableReachability) subscribeToReachability();
    if (disableQueueTimer) return;
    mainQueue_.async([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->startTimer();
    });
}

void ZeraZovQueueBase::subscribeToReachability() {
    if (!reachability_) {
        replaceSubscriptions(nullptr, nullptr);
        return;
    }
    auto weak = weak_from_this();
    auto reachableToken = reachability_->onReachable().subscribe([weak](Reachability& monitor) {
        if (auto self = weak.lock()) self->reachable(monitor);
    });
    auto unreachableToken = reachability_->onUnreachable().subscribe([weak](Reachability&) {
        if (auto self = weak.lock()) self->unreachable();
    });
    replaceSubscriptions(std::move(reachableToken), std::move(unreachableToken));
    if (auto error = reachability_->startNotifier()) {
        ZeraZovDebugLog::write("Error: Unable to monitor network reachability: " + error->description());
    }
}

std::pair<RegistrationTokenPtr, RegistrationTokenPtr> ZeraZovQueueBase::replaceSubscriptions(
    RegistrationTokenPtr reachable, RegistrationTokenPtr unreachable) {
    std::lock_guard guard(subscriptionLock_);
    reachableToken_.swap(reachable);
    unreachableToken_.swap(unreachable);
    return {std::move(reachable), std::move(unreachable)};
}

void ZeraZovQueueBase::startTimer() {
    std::lock_guard guard(timerLock_);
    if (stopped_) return;
    timer_ = mainQueue_.scheduleRepeating(settings_.flushIntervalSeconds,
                                          [weak = weak_from_this()](platform::RepeatingTimer&) {
                                              auto self = weak.lock();
                                              if (self && self->canFlush()) self->flush();
                                          });
}

void ZeraZovQueueBase::stop() {
    std::shared_ptr<platform::RepeatingTimer> timer;
    {
        std::lock_guard guard(timerLock_);
        stopped_ = true;
        timer.swap(timer_);
    }
    replaceSubscriptions(nullptr, nullptr);
    invalidate(std::move(timer));
    fileQueue_.sync();
}

void ZeraZovQueueBase::invalidate(std::shared_ptr<platform::RepeatingTimer> timer) {
    if (!timer) return;
    // Timers belong to the main thread; invalidating one elsewhere would race its tick.
    if (mainQueue_.isMainThread()) {
        timer->invalidate();
        return;
    }
    mainQueue_.async([timer] { timer->invalidate(); });
}

void ZeraZovQueueBase::reachable(Reachability& monitor) {
    updatePausedForDataMode(monitor);
    if (monitor.isReachable() && canFlush()) flush();
}

void ZeraZovQueueBase::updatePausedForDataMode(Reachability& monitor) {
    bool paused = false;
    {
        std::lock_guard guard(stateLock_);
        // Wi-Fi only: on Linux every usable connection counts as Wi-Fi, so only
        // "no connection" holds the uploads back.
        if (config_->dataMode.load() == ZeraZovDataMode::wifi) {
            paused = monitor.connection() == Reachability::Connection::unavailable;
        }
        paused_ = paused;
    }
    if (paused) ZeraZovDebugLog::write("Queue is paused because its not in WiFi mode");
}

void ZeraZovQueueBase::unreachable() {
    ZeraZovDebugLog::write("Queue is paused because network is unreachable");
    std::lock_guard guard(stateLock_);
    paused_ = true;
}

void ZeraZovQueueBase::pause(double seconds) {
    const auto until = after(clock_.now(), seconds);
    std::lock_guard guard(stateLock_);
    pausedUntil_ = until;
}

std::optional<std::string> ZeraZovQueueBase::pauseDescription() const {
    const auto now = clock_.now();
    std::lock_guard guard(stateLock_);
    return queuePauseDescription(paused_, pausedUntil_, now);
}

bool ZeraZovQueueBase::canFlush() {
    const auto description = pauseDescription();
    if (!description) return true;
    ZeraZovDebugLog::write("The queue is " + *description);
    return false;
}

BatchLimits ZeraZovQueueBase::batchLimits() const {
    std::lock_guard guard(batchLimitsLock_);
    return batchLimits_;
}

std::size_t ZeraZovQueueBase::depth() const { return fileQueue_.depth(); }

void ZeraZovQueueBase::flushIfOverThreshold() {
    if (static_cast<std::int64_t>(depth()) < batchLimits().flushAt) return;
    if (canFlush()) flush();
}

bool ZeraZovQueueBase::admit() { return rateCap_.admit(); }

std::optional<std::size_t> ZeraZovQueueBase::store(const std::string& bytes) {
    // The oldest record goes only for a record that is really stored: one that
    // cannot be encoded or written takes nothing with it.
    const auto maxDepth = static_cast<std::size_t>(std::max<std::int64_t>(settings_.maxQueueSize, 0));
    const auto added = fileQueue_.add(bytes, maxDepth);
    if (added.droppedOldest) ZeraZovDebugLog::write("Queue is full, dropping oldest record");
    if (!added.stored) return std::nullopt;
    return added.depth;
}

void ZeraZovQueueBase::flush() { flush(static_cast<std::size_t>(batchLimits().cap)); }

void ZeraZovQueueBase::flush(std::size_t count) {
    dispatchQueue_->async([weak = weak_from_this(), count] {
        auto self = weak.lock();
        if (!self) return;
        self->performFlush(count);
    });
}

void ZeraZovQueueBase::waitForDispatchedFlushes() {
    if (dispatchQueue_->isCurrent()) return;
    dispatchQueue_->sync([] {});
}

void ZeraZovQueueBase::finishRemovals() { fileQueue_.finishRemovals(); }

void ZeraZovQueueBase::performFlush(std::size_t count) {
    if (pauseDescription()) return;
    if (!beginFlush()) {
        ZeraZovDebugLog::write("Already flushing");
        return;
    }
    auto batch = takeReadAhead(count);
    if (!batch) batch = prepared(fileQueue_.peek(count), count);
    const bool sent =
        batch->upload([weak = weak_from_this(), names = batch->names](ZeraZovUploadInfo info, std::size_t batchSize) {
            auto self = weak.lock();
            if (!self) return;
            self->flushCompleted(self->handleUploadResult(info, batchSize), names);
        });
    // Nothing decoded: the unreadable files go as a batch that was taken.
    if (!sent) return flushCompleted(true, batch->names);
    // The answer takes a while: the next batch is read meanwhile. Should the
    // outcome keep this batch, or anything else change the head, it is read again.
    // The HTTP client's thread was just woken to send this batch and often waits
    // for this very CPU: it goes first.
    std::this_thread::yield();
    readAhead(batch->names, count);
}

void ZeraZovQueueBase::readAhead(const std::vector<std::string>& inFlight, std::size_t count) {
    auto next = fileQueue_.peekAfter(inFlight, count);
    if (!next) return;
    std::size_t bytes = 0;
    for (const auto& record : next->records) bytes += record.size();
    // Large records (screen snapshots) would sit in memory until the next flush,
    // which may be a timer interval away: those wait for their own flush.
    if (bytes > readAheadByteLimit) return;
    readAhead_ = prepared(std::move(*next), count);
}

ZeraZovQueueBase::PreparedBatch ZeraZovQueueBase::prepared(ZeraZovQueueBatch batch, std::size_t count) {
    const bool full = batch.records.size() >= count;
    auto upload = prepare(std::move(batch.records));
    return PreparedBatch{std::move(batch.names), count, full, std::move(upload)};
}

std::optional<ZeraZovQueueBase::PreparedBatch> ZeraZovQueueBase::takeReadAhead(std::size_t count) {
    auto batch = std::exchange(readAhead_, std::nullopt);
    if (!batch || batch->count != count) return std::nullopt;
    // A read that ran out of records must still be the whole queue: records added
    // since then belong in this batch too.
    if (!fileQueue_.holds(batch->names, !batch->full)) return std::nullopt;
    return batch;
}

bool ZeraZovQueueBase::beginFlush() {
    std::lock_guard guard(isFlushingLock_);
    if (isFlushing_) return false;
    isFlushing_ = true;
    return true;
}

bool ZeraZovQueueBase::handleUploadResult(const ZeraZovUploadInfo& info, std::size_t batchSize) {
    const auto cap = batchLimits().cap;
    const auto maxRetries = config_->maxRetries.load();
    const auto now = clock_.now();
    UploadDecision decision;
    {
        std::lock_guard guard(stateLock_);
        decision =
            decideUpload(info.statusCode, settings_.isRetriableStatusCode, retryCount_, maxRetries, cap, batchSize);
        retryCount_ = decision.retryCount;
        if (decision.action == UploadDecision::Action::keepAndPause) pausedUntil_ = after(now, decision.pauseSeconds);
    }
    switch (decision.action) {
    case UploadDecision::Action::keepAndPause:
        ZeraZovDebugLog::write("Pausing queue consumption for " + platform::formatDouble(decision.pauseSeconds) +
                               " seconds due to " + std::to_string(decision.retryCount) + " API failure(s).");
        if (decision.retriesExhausted) {
            ZeraZovDebugLog::write("Queue: max retries (" + std::to_string(maxRetries) + ") exceeded, keeping " +
                                   std::to_string(depth()) + " queued records for the next flush");
        }
        return false;
    case UploadDecision::Action::keepAndShrink: {
        std::int64_t newCap = 0;
        {
            std::lock_guard guard(batchLimitsLock_);
            batchLimits_ = batchLimits_.halvedFor(batchSize);
            newCap = batchLimits_.cap;
        }
        ZeraZovDebugLog::write("Queue: HTTP 413, halved batch cap to " + std::to_string(newCap));
        return false;
    }
    case UploadDecision::Action::remove:
        if (decision.refusedAlone) ZeraZovDebugLog::write("Queue: dropping batch after HTTP 413 (cap == 1)");
        return true;
    }
    return true;
}

void ZeraZovQueueBase::flushCompleted(bool success, const std::vector<std::string>& names) {
    // By name, never by count: records added meanwhile sit behind the batch.
    if (success && !names.empty()) {
        fileQueue_.deleteNames(names);
        ZeraZovDebugLog::write("Completed!");
    }
    std::lock_guard guard(isFlushingLock_);
    isFlushing_ = false;
}

}  // namespace zerazov
