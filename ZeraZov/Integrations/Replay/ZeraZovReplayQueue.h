#pragma once
#include <memory>
#include <mutex>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/SerialQueue.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Delivery/Api/ZeraZovApi.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"
#include "ZeraZov/Integrations/Replay/ZeraZovReplayBufferQueue.h"

namespace zerazov {

class ZeraZovReplayQueue;

// Whoever records sessions decides when replay events wait on disk instead of
// going out, for instance while a recording may still be thrown away.
class ZeraZovReplayBufferDelegate {
public:
    virtual ~ZeraZovReplayBufferDelegate() = default;

    virtual bool shouldBufferReplayEvents() = 0;
    // Runs on the adding thread, after the event's file is written.
    virtual void replayQueueDidBufferEvent(ZeraZovReplayQueue& queue) = 0;
};

// Where session-replay events go: straight into their own flushing queue, or,
// while the buffer delegate asks for it, into files that wait until it stops
// asking. Buffered events move to the flushing queue, oldest first, at the first
// add or flush after buffering ends.
class ZeraZovReplayQueue {
public:
    // The client's set-up: the snapshot stream's queue and a freshly emptied buffer
    // folder. `mainQueue` runs the inner queue's timer and must outlive it.
    static std::unique_ptr<ZeraZovReplayQueue> create(std::shared_ptr<const ZeraZovConfig> config,
                                                      const ZeraZovStorage& storage,
                                                      std::shared_ptr<Reachability> reachability,
                                                      std::shared_ptr<const ZeraZovApi> api,
                                                      platform::MainQueue& mainQueue,
                                                      const platform::Clock& clock = platform::SystemClock::shared());

    // The buffer folder is taken as it is; create() resets it.
    ZeraZovReplayQueue(std::shared_ptr<ZeraZovQueue<ZeraZovEvent>> innerQueue, platform::PrivateFolder bufferFolder);
    ZeraZovReplayQueue(const ZeraZovReplayQueue&) = delete;
    ZeraZovReplayQueue& operator=(const ZeraZovReplayQueue&) = delete;

    void add(const ZeraZovEvent& event);
    // Does nothing while buffering: a flush then would send a recording the
    // delegate may still discard.
    void flush();

    void setBufferDelegate(std::weak_ptr<ZeraZovReplayBufferDelegate> delegate);

    ZeraZovQueue<ZeraZovEvent>& innerQueue() { return *innerQueue_; }
    ZeraZovReplayBufferQueue& bufferQueue() { return bufferQueue_; }

private:
    std::shared_ptr<ZeraZovReplayBufferDelegate> delegate() const;
    // The delegate when it is alive and asks for buffering now.
    std::shared_ptr<ZeraZovReplayBufferDelegate> bufferingDelegate() const;
    void buffer(const ZeraZovEvent& event);
    void handOverBuffered();

    std::shared_ptr<ZeraZovQueue<ZeraZovEvent>> innerQueue_;
    ZeraZovReplayBufferQueue bufferQueue_;
    platform::SerialQueue bufferIOQueue_{"com.zerazov.ReplayBufferIO"};
    mutable std::mutex delegateLock_;  // guards bufferDelegate_
    std::weak_ptr<ZeraZovReplayBufferDelegate> bufferDelegate_;
};

}  // namespace zerazov
