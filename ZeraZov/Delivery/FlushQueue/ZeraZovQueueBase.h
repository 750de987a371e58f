#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/SerialQueue.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"
#include "ZeraZov/Delivery/Endpoints/BatchLimits.h"
#include "ZeraZov/Delivery/Endpoints/ZeraZovUploadInfo.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovFileBackedQueue.h"
#include "ZeraZov/Delivery/FlushQueue/RateCap.h"
#include "ZeraZov/Delivery/Reachability/Reachability.h"

namespace zerazov {

// The part of a flushing queue that never looks inside a record: the stored bytes,
// the flush triggers, the pauses and what an upload's outcome does to the batch.
// ZeraZovQueue<Record> adds encoding, decoding and the endpoint's upload call.
//
// Threads: adds run on the caller's thread, flush cycles on the queue's own serial
// worker, upload outcomes on whatever thread the upload completes on, the timer and
// the reachability handlers on the main queue. Each of the six locks below guards
// its own fields and is never held while another is taken or while user code runs.
class ZeraZovQueueBase : public std::enable_shared_from_this<ZeraZovQueueBase> {
public:
    // Fixed when the queue is built; read without a lock afterwards.
    struct Settings {
        platform::PrivateFolder folder;
        std::vector<std::filesystem::path> oldLocations;
        std::string dispatchQueueLabel;
        BatchLimits batchLimits;
        std::int64_t maxQueueSize = 0;
        double flushIntervalSeconds = 0;
        std::int64_t rateCapMax = 0;
        double rateCapWindowSeconds = 0;
        std::function<bool(int)> isRetriableStatusCode;
    };

    using AfterAdd = std::function<void(ZeraZovQueueBase&)>;

    // The most stored bytes a batch read ahead of its flush may hold.
    static constexpr std::size_t readAheadByteLimit = 1024 * 1024;

    virtual ~ZeraZovQueueBase();
    ZeraZovQueueBase(const ZeraZovQueueBase&) = delete;
    ZeraZovQueueBase& operator=(const ZeraZovQueueBase&) = delete;

    // Subscribes to the monitor and starts the repeating flush timer on the main
    // queue, each unless switched off. Runs once per queue.
    void start(bool disableReachability, bool disableQueueTimer);
    // No timer any more and no reachability subscriptions, and every record
    // added so far synced to the disk; adds and explicit flushes keep working.
    void stop();

    // Starts one flush cycle of the current batch cap on the queue's worker.
    void flush();
    void flush(std::size_t count);
    // False while paused, with the reason in the debug log.
    bool canFlush();
    std::optional<std::string> pauseDescription() const;
    void pause(double seconds);
    // The after-add action of every caller: flush once the queue is deep enough.
    void flushIfOverThreshold();

    std::size_t depth() const;
    BatchLimits batchLimits() const;
    // Returns once every flush cycle requested before the call has handed its batch
    // to the upload (or finished). For an orderly shutdown and for tests.
    void waitForDispatchedFlushes();
    // Returns once the files of every record taken off the queue so far are
    // deleted (that happens on a worker). For tests and benchmarks.
    void finishRemovals();

protected:
    ZeraZovQueueBase(std::shared_ptr<const ZeraZovConfig> config, Settings settings,
                     std::shared_ptr<Reachability> reachability, platform::MainQueue& mainQueue,
                     const platform::Clock& clock);

    using UploadDone = std::function<void(ZeraZovUploadInfo, std::size_t batchSize)>;
    // Starts the upload of a batch made ready beforehand and answers true; `done`
    // then runs exactly once with the outcome. False when nothing was left to
    // send; `done` is not called.
    using Upload = std::function<bool(UploadDone)>;

    // The record type's half of a flush: makes stored records ready to upload
    // (read back into records or checked in their wire form). Runs on the queue's
    // worker, possibly while the upload before them is still under way.
    virtual Upload prepare(std::vector<std::string> stored) = 0;

    // The rate cap; false drops the record.
    bool admit();
    // Stores the encoded record, first dropping the oldest one when the queue is
    // full; answers the depth after the add, or nothing when it could not be stored.
    std::optional<std::size_t> store(const std::string& bytes);

private:
    void startTimer();
    // On the main thread, where the timer ticks.
    void invalidate(std::shared_ptr<platform::RepeatingTimer> timer);
    void subscribeToReachability();
    // Swaps in the given tokens; the ones they replace end their subscriptions
    // once the caller lets them go, outside the lock.
    std::pair<RegistrationTokenPtr, RegistrationTokenPtr> replaceSubscriptions(RegistrationTokenPtr reachable,
                                                                               RegistrationTokenPtr unreachable);
    void reachable(Reachability& monitor);
    void unreachable();
    void updatePausedForDataMode(Reachability& monitor);

    // One read from the head, ready to upload.
    struct PreparedBatch {
        std::vector<std::string> names;  // every name the read walked over
        std::size_t count = 0;           // the most records it was to hold
        bool full = false;               // it holds `count` records, so what follows does not matter
        Upload upload;
    };

    void performFlush(std::size_t count);
    bool beginFlush();
    PreparedBatch prepared(ZeraZovQueueBatch batch, std::size_t count);
    // Reads and prepares the batch behind the one in flight, unless it is too large to hold.
    void readAhead(const std::vector<std::string>& inFlight, std::size_t count);
    // The batch read ahead, when it is still what a read from the head gives now.
    std::optional<PreparedBatch> takeReadAhead(std::size_t count);
    // Whether the batch leaves the queue.
    bool handleUploadResult(const ZeraZovUploadInfo& info, std::size_t batchSize);
    void flushCompleted(bool success, const std::vector<std::string>& names);

    const std::shared_ptr<const ZeraZovConfig> config_;
    const Settings settings_;
    const std::shared_ptr<Reachability> reachability_;
    platform::MainQueue& mainQueue_;
    const platform::Clock& clock_;

    mutable std::mutex stateLock_;  // guards paused_, pausedUntil_, retryCount_
    bool paused_ = false;
    std::optional<platform::Clock::WallTime> pausedUntil_;
    std::int64_t retryCount_ = 0;

    std::mutex subscriptionLock_;  // guards the two tokens: start and stop may run on different threads
    RegistrationTokenPtr reachableToken_;
    RegistrationTokenPtr unreachableToken_;

    std::mutex isFlushingLock_;  // guards isFlushing_
    bool isFlushing_ = false;

    std::mutex timerLock_;  // guards timer_ and stopped_
    std::shared_ptr<platform::RepeatingTimer> timer_;
    bool stopped_ = false;

    mutable std::mutex batchLimitsLock_;  // guards batchLimits_
    BatchLimits batchLimits_;

    RateCap rateCap_;  // holds the rate-cap lock
    ZeraZovFileBackedQueue fileQueue_;
    // The batch behind the one being uploaded, read and made ready while the upload
    // is under way, so that the next flush need not wait for the disk. Only the
    // queue's worker touches it.
    std::optional<PreparedBatch> readAhead_;
    // Last, so that it is joined first: queued cycles must find every field alive.
    std::unique_ptr<platform::SerialQueue> dispatchQueue_;
};

}  // namespace zerazov
