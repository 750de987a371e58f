#pragma once
#include <memory>
#include <optional>

#include "ZeraZov/Client/Private/ZeraZovCallTracker.h"
#include "ZeraZov/Client/Private/ZeraZovUploadTracker.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Events/ZeraZovContext.h"
#include "ZeraZov/Core/Events/ZeraZovEventBuilder.h"
#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Core/Storage/ZeraZovStorageManager.h"
#include "ZeraZov/Core/Storage/ZeraZovStoredDictionary.h"
#include "ZeraZov/Delivery/Api/ZeraZovApi.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"
#include "ZeraZov/Delivery/Reachability/Reachability.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogCapture.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogRecord.h"
#include "ZeraZov/Integrations/Replay/ZeraZovReplayQueue.h"

namespace zerazov {

// Everything one set-up builds. A call takes the whole set for its duration, so a
// close on another thread can drop the client's reference without freeing what the
// call still uses; the last call to let go releases it.
struct ZeraZovSDK::Parts {
    std::shared_ptr<ZeraZovConfig> config;
    const platform::Clock* clock = nullptr;
    std::shared_ptr<const ZeraZovStorage> storage;
    std::shared_ptr<ZeraZovStorageManager> storageManager;
    std::shared_ptr<const ZeraZovApi> api;
    std::shared_ptr<ZeraZovRemoteConfig> remoteConfig;
    std::shared_ptr<Reachability> reachability;  // none when the monitor could not be made
    std::shared_ptr<ZeraZovContext> context;
    std::shared_ptr<ZeraZovUploadTracker> uploads;
    std::shared_ptr<ZeraZovQueue<ZeraZovEvent>> queue;
    std::shared_ptr<ZeraZovReplayQueue> replayQueue;
    std::shared_ptr<ZeraZovQueue<ZeraZovLogRecord>> logsQueue;
    std::unique_ptr<ZeraZovEventBuilder> eventBuilder;
    std::unique_ptr<ZeraZovLogCapture> logCapture;
    // "zerazov.registerProperties" (guarded as the super-properties lock) and
    // "zerazov.groups" (as the groups lock), read on every event.
    std::unique_ptr<ZeraZovStoredDictionary> superProperties;
    std::unique_ptr<ZeraZovStoredDictionary> groups;
};

// One public call's hold on the parts of the set-up it started under.
class ZeraZovSDK::Use {
public:
    Use(std::shared_ptr<const Parts> parts, ZeraZovCallTracker& calls) : entry_(calls), parts_(std::move(parts)) {}

    const Parts& operator*() const { return *parts_; }
    const Parts* operator->() const { return parts_.get(); }

private:
    // The parts go first, so a set-up waiting for this call finds them released.
    ZeraZovCallTracker::Entry entry_;
    std::shared_ptr<const Parts> parts_;
};

}  // namespace zerazov
