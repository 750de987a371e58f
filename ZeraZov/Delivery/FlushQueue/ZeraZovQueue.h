#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoint.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueueBase.h"

namespace zerazov {

// A durable batching upload queue for one stream of records, described by its
// endpoint. Records are stored as files the moment they are added and leave only
// when an upload's outcome says so (see ZeraZovQueueBase for triggers and rules).
template <typename Record>
class ZeraZovQueue final : public ZeraZovQueueBase {
public:
    // The folder is the storage's app folder plus the endpoint's key; the records
    // of earlier runs are loaded (and old locations migrated) before this returns.
    // The monitor may be absent. `mainQueue` runs the timer and must outlive the queue.
    static std::shared_ptr<ZeraZovQueue> create(std::shared_ptr<const ZeraZovConfig> config,
                                                const ZeraZovStorage& storage,
                                                std::shared_ptr<Reachability> reachability,
                                                QueueEndpoint<Record> endpoint, platform::MainQueue& mainQueue,
                                                const platform::Clock& clock = platform::SystemClock::shared()) {
        auto settings = settingsFor(endpoint, *config, storage);
        return std::shared_ptr<ZeraZovQueue>(new ZeraZovQueue(
            std::move(config), std::move(settings), std::move(reachability), std::move(endpoint), mainQueue, clock));
    }

    // Stores the record on the calling thread, then runs `onAdded`; a record over
    // the rate cap or one that cannot be encoded is dropped and `onAdded` does not run.
    void add(const Record& record, const AfterAdd& onAdded) {
        if (!admit()) return;
        const auto bytes = encode(record);
        if (!bytes) {
            ZeraZovDebugLog::write("Tried to queue unserialisable record");
            return;
        }
        const auto depth = store(*bytes);
        if (!depth) return;
        // Only built to be shown: every add would otherwise pay for a line no one sees.
        if (ZeraZovDebugLog::isEnabled()) {
            ZeraZovDebugLog::write("Queued " + endpoint_.describe(record) + ". Depth: " + std::to_string(*depth));
        }
        if (onAdded) onAdded(*this);
    }

    void add(const Record& record) {
        add(record, [](ZeraZovQueueBase& queue) { queue.flushIfOverThreshold(); });
    }

private:
    ZeraZovQueue(std::shared_ptr<const ZeraZovConfig> config, Settings settings,
                 std::shared_ptr<Reachability> reachability, QueueEndpoint<Record> endpoint,
                 platform::MainQueue& mainQueue, const platform::Clock& clock)
        : ZeraZovQueueBase(std::move(config), std::move(settings), std::move(reachability), mainQueue, clock),
          endpoint_(std::move(endpoint)) {}

    static Settings settingsFor(const QueueEndpoint<Record>& endpoint, const ZeraZovConfig& config,
                                const ZeraZovStorage& storage) {
        Settings settings;
        settings.folder = storage.folder(endpoint.storageKey);
        for (const auto key : endpoint.oldStorageKeys) settings.oldLocations.push_back(storage.url(key));
        settings.dispatchQueueLabel = endpoint.dispatchQueueLabel;
        settings.batchLimits = BatchLimits::initial(endpoint.initialCap(config), endpoint.initialFlushAt(config));
        settings.maxQueueSize = endpoint.maxQueueSize(config);
        settings.flushIntervalSeconds = endpoint.flushIntervalSeconds(config);
        settings.rateCapMax = endpoint.rateCapMax(config);
        settings.rateCapWindowSeconds = endpoint.rateCapWindowSeconds(config);
        settings.isRetriableStatusCode = endpoint.isRetriableStatusCode;
        return settings;
    }

    // Serialising and parsing JSON can throw (invalid UTF-8, odd shapes); a record
    // that does either is simply unusable, and nothing may escape to the caller.
    std::optional<std::string> encode(const Record& record) const {
        try {
            return endpoint_.encode(record);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

    // The stored records as the endpoint's upload takes them, decoded or in their
    // wire form; the unusable ones are left out, and their files go with the batch.
    template <typename Item, typename Read>
    static std::vector<Item> readAll(std::vector<std::string> stored, const Read& read) {
        std::vector<Item> items;
        items.reserve(stored.size());
        for (auto& bytes : stored) {
            try {
                if (auto item = read(std::move(bytes))) items.push_back(std::move(*item));
            } catch (const std::exception&) {
                // Unusable like one that reads as nothing.
            }
        }
        return items;
    }

    using Start = std::function<void(typename QueueEndpoint<Record>::UploadCompletion)>;

    // The upload of `count` usable records among `storedCount` stored ones, which
    // `start` sends; a missing `start` could not be made ready.
    static Upload uploadOf(std::size_t count, std::size_t storedCount, Start start) {
        return [count, storedCount, start = std::move(start)](UploadDone done) {
            if (count < storedCount) {
                ZeraZovDebugLog::write("Dropping " + std::to_string(storedCount - count) +
                                       " stored record(s) that could not be read back");
            }
            if (count == 0) return false;
            ZeraZovDebugLog::write("Sending batch of " + std::to_string(count) + " records to ZeraZov");
            try {
                if (start) {
                    start([done, count](ZeraZovUploadInfo info) { done(std::move(info), count); });
                    return true;
                }
            } catch (const std::exception&) {
                // Answered below.
            }
            // An upload that could not be made ready or even start counts as one without an answer.
            done(ZeraZovUploadInfo{}, count);
            return true;
        };
    }

    Upload prepare(std::vector<std::string> stored) override {
        const auto storedCount = stored.size();
        if (endpoint_.wireForm && endpoint_.prepareWireForms) {
            auto texts = readAll<std::string>(std::move(stored), endpoint_.wireForm);
            const auto count = texts.size();
            return uploadOf(count, storedCount, count > 0 ? readied(std::move(texts)) : nullptr);
        }
        const auto decode = [this](const std::string& bytes) { return endpoint_.decode(bytes); };
        auto records = readAll<Record>(std::move(stored), decode);
        const auto count = records.size();
        return uploadOf(count, storedCount,
                        [send = endpoint_.send,
                         records = std::move(records)](typename QueueEndpoint<Record>::UploadCompletion done) mutable {
                            send(std::move(records), std::move(done));
                        });
    }

    // The endpoint's upload of the wire forms, made ready now; nothing when that fails.
    Start readied(std::vector<std::string> texts) const {
        try {
            return endpoint_.prepareWireForms(std::move(texts));
        } catch (const std::exception&) {
            return nullptr;
        }
    }

    const QueueEndpoint<Record> endpoint_;
};

extern template class ZeraZovQueue<ZeraZovEvent>;

}  // namespace zerazov
