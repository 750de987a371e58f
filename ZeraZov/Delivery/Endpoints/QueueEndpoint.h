#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Delivery/Endpoints/ZeraZovUploadInfo.h"

namespace zerazov {

// Everything a flushing queue needs to know about one upload stream: where its
// records live, how its limits come out of the configuration, how a record is
// stored and read back, and how a batch goes over the wire. The queue reads the
// limit functions once, when it is built, so a running queue keeps its limits.
template <typename Record>
struct QueueEndpoint {
    using UploadCompletion = std::function<void(ZeraZovUploadInfo)>;

    ZeraZovStorage::StorageKey storageKey;
    // Older locations migrated into the folder at set-up, in this order.
    std::vector<ZeraZovStorage::StorageKey> oldStorageKeys;
    // Names the queue's serial worker, which shows up in thread listings.
    std::string dispatchQueueLabel;

    std::function<std::int64_t(const ZeraZovConfig&)> initialCap;
    std::function<std::int64_t(const ZeraZovConfig&)> initialFlushAt;
    std::function<std::int64_t(const ZeraZovConfig&)> maxQueueSize;
    std::function<double(const ZeraZovConfig&)> flushIntervalSeconds;
    // Records accepted per window; 0 or less means no rate cap.
    std::function<std::int64_t(const ZeraZovConfig&)> rateCapMax;
    std::function<double(const ZeraZovConfig&)> rateCapWindowSeconds;

    // Nothing means the record cannot be stored and is dropped.
    std::function<std::optional<std::string>(const Record&)> encode;
    // Nothing means the stored bytes are unusable; the flush removes them.
    std::function<std::optional<Record>(const std::string&)> decode;
    // The record's name in the "Queued" diagnostic.
    std::function<std::string(const Record&)> describe;
    // Uploads one non-empty batch; the completion may run on any thread, once.
    std::function<void(std::vector<Record>, UploadCompletion)> send;
    std::function<bool(int)> isRetriableStatusCode;

    // Optional, the two together: a stream whose stored form is also its wire form
    // uploads stored records without decoding and encoding them again. `wireForm`
    // answers what goes on the wire for one stored record (nothing when `decode`
    // would give nothing). `prepareWireForms` replaces `send`: it makes the upload
    // of one non-empty batch ready, as far as it can before the batch goes out, and
    // gives the call that sends it, once.
    using WireFormsUpload = std::function<void(UploadCompletion)>;
    std::function<std::optional<std::string>(std::string)> wireForm;
    std::function<WireFormsUpload(std::vector<std::string>)> prepareWireForms;
};

}  // namespace zerazov
